#pragma once
// One scan: quick, complete of a volume or image, or complete of a whole disk.

#include "include/SearcherType.h"

class IDataRecovery;
class IDrirectoryTree;
class IProgress;
class IRecoveryFilter;
class IStorageDevice;

enum _RECOVERY_CONTROLLER_TYPE : int {
  RECOVERY_CONTROLLER_QUICK = 0,
  RECOVERY_CONTROLLER_COMPLETE_VOLUME = 1,
  RECOVERY_CONTROLLER_COMPLETE_DISK = 2,
};

class IRecoveryController {
 public:
  virtual ~IRecoveryController() = default;
  virtual _RECOVERY_CONTROLLER_TYPE thisType() = 0;
  virtual int Initialize(IRecoveryFilter* filter) = 0;
  // Runs the whole scan on the calling thread; 0 on success, else a result code.
  virtual unsigned long long StartDataRecovery(IStorageDevice* device, IProgress* progress, IDrirectoryTree* sink) = 0;
  // A new data-recovery object owned by the caller, or null.
  virtual IDataRecovery* GetDataRecovery(_tagSearcherType searcher) const = 0;
  virtual void Release() = 0;
};
