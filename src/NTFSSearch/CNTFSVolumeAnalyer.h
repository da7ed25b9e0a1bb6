#pragma once
// Recognises an NTFS volume for the device list from its boot sector, and reads its label from the $Volume record.

#include <cstdint>
#include <string>
#include <utility>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CNTFSVolumeAnalyer : public IVolumeAnalyze {
 public:
  CNTFSVolumeAnalyer(std::uint64_t totalSectors, std::string label)
      : m_totalSectors(totalSectors), m_label(std::move(label)) {}

  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return FILE_SYSTEM_NTFS; }
  // As the boot sector counts them (in the volume's own sectors).
  unsigned long long GetTotalSector() override { return m_totalSectors; }
  // The label in UTF-8, zero-terminated and cut to size - 1 bytes at a character boundary; nothing is written
  // when size is below 1. Empty when the volume has none or its name could not be read.
  void GetLabel(char* buffer, int size) override;

 private:
  std::uint64_t m_totalSectors;
  std::string m_label;
};

// An analyser when the sector at sector passes the full boot-sector test; null otherwise. A $Volume record that
// cannot be found or read leaves the label empty and the volume recognised.
IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* device, std::uint64_t sector);
