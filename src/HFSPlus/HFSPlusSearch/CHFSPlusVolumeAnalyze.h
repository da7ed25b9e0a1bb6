#pragma once
// Recognises an HFS+ or HFSX volume for the device list from its volume header.

#include <array>
#include <cstdint>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CHFSPlusVolumeAnalyze : public IVolumeAnalyze {
 public:
  static constexpr int kLabelSize = 100;

  CHFSPlusVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector);

  // FILE_SYSTEM_HFSPLUS (HFSX included) or FILE_SYSTEM_UNKNOWN.
  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return type_; }
  // The volume's size in device sectors; 0 when not recognised.
  unsigned long long GetTotalSector() override { return totalSectors_; }
  // HFS+ keeps its name in the catalog, not the header: the label is always empty. Copies min(size, 100)
  // zero bytes; nothing when size < 1.
  void GetLabel(char* buffer, int size) override;

 private:
  enumFILE_SYSTEM_TYPE type_ = FILE_SYSTEM_UNKNOWN;
  std::uint64_t totalSectors_ = 0;
  std::array<char, kLabelSize> label_{};
};

// A new analyser, already analysed; null only when memory is short. The caller deletes it.
IVolumeAnalyze* CreateHFSPlusVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector);
