#pragma once
// The FAT probe for the volume-analyser controller: FAT16 or FAT32 with total sectors and label.
// FAT12 and anything else answer FILE_SYSTEM_UNKNOWN, so the controller asks the next engine.

#include <array>
#include <cstdint>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CFatVolumeAnalyze : public IVolumeAnalyze {
 public:
  static constexpr std::size_t kLabelSize = 100;
  // Sector sizes beyond this are not believed (no allocation is sized from them).
  static constexpr std::uint32_t kMaxSectorSize = 64 * 1024;

  // Analyses the volume at once.
  CFatVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector);

  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return m_type; }
  unsigned long long GetTotalSector() override { return m_totalSectors; }
  // Copies min(size, 100) bytes of the zero-filled label field: a short size may leave no terminator.
  void GetLabel(char* buffer, int size) override;

 private:
  void Init(IStorageDevice* device, std::uint64_t startSector);

  enumFILE_SYSTEM_TYPE m_type = FILE_SYSTEM_UNKNOWN;
  std::array<char, kLabelSize> m_label{};
  std::uint64_t m_totalSectors = 0;
};

// Always a new analyser (type FILE_SYSTEM_UNKNOWN when the volume is not FAT16/32); the caller deletes it.
IVolumeAnalyze* CreateFatVolumeAnalyze(IStorageDevice* device, unsigned long long startSector);
