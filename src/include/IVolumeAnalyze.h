#pragma once
// The file-system probe each engine offers for a volume at a start sector, and the controller that asks them all.

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

class IVolumeAnalyzeController {
 public:
  virtual ~IVolumeAnalyzeController() = default;
  // The first analyser, in probe order, that recognised the volume; null when none did.
  // It belongs to the controller and must not outlive it.
  virtual IVolumeAnalyze* GetVolumeAnzlyzer() = 0;
};
