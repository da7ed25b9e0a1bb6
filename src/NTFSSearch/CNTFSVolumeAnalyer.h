#pragma once
// Recognises an NTFS volume for the device list from its boot sector.

#include <cstdint>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CNTFSVolumeAnalyer : public IVolumeAnalyze {
 public:
  explicit CNTFSVolumeAnalyer(std::uint64_t totalSectors) : m_totalSectors(totalSectors) {}

  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return FILE_SYSTEM_NTFS; }
  // As the boot sector counts them (in the volume's own sectors).
  unsigned long long GetTotalSector() override { return m_totalSectors; }
  // The label is not read here: an empty wide string (four zero bytes) when size is above 1.
  void GetLabel(char* buffer, int size) override;

 private:
  std::uint64_t m_totalSectors;
};

// An analyser when the sector at sector passes the full boot-sector test; null otherwise.
IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* device, std::uint64_t sector);
