#pragma once
// The file-system probe each engine offers for a volume at a start sector.

#include "include/FileSystemType.h"

class IVolumeAnalyze {
 public:
  virtual ~IVolumeAnalyze() = default;
  // FILE_SYSTEM_UNKNOWN (10) when the volume is not recognised.
  virtual enumFILE_SYSTEM_TYPE GetFileSystemType() = 0;
  virtual unsigned long long GetTotalSector() = 0;
  // Copies the label into buffer (at most `size` bytes; see each engine for termination).
  virtual void GetLabel(char* buffer, int size) = 0;
};
