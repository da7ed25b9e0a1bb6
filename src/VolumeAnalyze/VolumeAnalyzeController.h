#pragma once
// Tells which file system a volume holds by asking every registered engine's analyser in probe order.

#include <memory>
#include <vector>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CVolumeAnalyzeController : public IVolumeAnalyzeController {
 public:
  // Creates the analysers (FAT, exFAT, NTFS, HFS+, APFS, as registered); each examines the volume at once.
  CVolumeAnalyzeController(IStorageDevice* device, unsigned long long firstSector);

  // The first analyser whose type is not FILE_SYSTEM_UNKNOWN, even when a later one would also claim the volume.
  IVolumeAnalyze* GetVolumeAnzlyzer() override;

 private:
  std::vector<std::unique_ptr<IVolumeAnalyze>> m_analyzers;
};

// A new controller (null when memory is short), freed through its virtual destructor with every analyser it holds.
IVolumeAnalyzeController* CreateVolumeAnalyzeController(IStorageDevice* device, unsigned long long firstSector);
