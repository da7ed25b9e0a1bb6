#pragma once
// The quick scan: one volume's surviving metadata, read by the one quick searcher of its file system.

#include "RecoveryController/RecoveryControllerBase.h"

class IQuickFileSystemSearchController;

class CDeletedRecoveryController final : public CRecoveryControllerBase {
 public:
  CDeletedRecoveryController() = default;
  ~CDeletedRecoveryController() override;

  _RECOVERY_CONTROLLER_TYPE thisType() override { return RECOVERY_CONTROLLER_QUICK; }
  // Whole disks are refused (their volumes are scanned one by one); so are file systems without a quick searcher.
  // The searcher's own result is not passed on: it reports through progress.
  unsigned long long StartDataRecovery(IStorageDevice* device, IProgress* progress, IDrirectoryTree* sink) override;
  // The type is ignored: the one searcher of the scan serves.
  IDataRecovery* GetDataRecovery(_tagSearcherType type) const override;

  IQuickFileSystemSearchController* GetSearcher() const { return m_searcher; }

 private:
  void DeleteSearcher();

  IQuickFileSystemSearchController* m_searcher = nullptr;  // owned
};
