#pragma once
// The APFS probe for the volume-analyser controller: a container superblock with 4096-byte blocks at the start
// sector; the label is the name of the container's first volume.

#include <cstdint>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class APFSRecognize : public IVolumeAnalyze {
 public:
  static constexpr int kLabelSize = 32;

  APFSRecognize(IStorageDevice* device, std::uint64_t startSector, std::uint64_t totalSectors)
      : m_device(device), m_startSector(startSector), m_totalSectors(totalSectors) {}

  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return FILE_SYSTEM_APFS; }
  // Sectors from the start sector to the end of the device.
  unsigned long long GetTotalSector() override { return m_totalSectors; }
  // Copies at most min(size, 32) bytes of the first volume's name (a 32-byte name has no terminator); leaves
  // the buffer alone when no name is found.
  void GetLabel(char* label, int size) override;

 private:
  // Reads 4096-byte block `block` of the container whatever the sector size; false on a failed read.
  bool ReadBlock(std::uint64_t block, std::uint8_t* out);
  bool FindLabel(std::uint64_t objectMap, char* label, int size);

  IStorageDevice* m_device;
  std::uint64_t m_startSector;
  std::uint64_t m_totalSectors;
};

// Null when the sector is not an APFS container superblock with 4096-byte blocks; the caller deletes the result.
IVolumeAnalyze* CreateAPFSVolumeAnalyze(IStorageDevice* device, unsigned long long startSector);
