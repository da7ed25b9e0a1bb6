#pragma once
// The exFAT probe for the volume-analyser controller: a valid boot sector at the start sector gives type 7 and
// the volume length. The label is not read.

#include <cstdint>

#include "include/IVolumeAnalyze.h"

class IStorageDevice;

class CExFatVolumeAnalyer : public IVolumeAnalyze {
 public:
  explicit CExFatVolumeAnalyer(std::uint64_t totalSectors) : m_totalSectors(totalSectors) {}

  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return FILE_SYSTEM_EXFAT; }
  unsigned long long GetTotalSector() override { return m_totalSectors; }
  // An empty label: zero bytes within the first min(size, 4) bytes of buffer; nothing for a null buffer or a
  // size below 2.
  void GetLabel(char* buffer, int size) override;

 private:
  std::uint64_t m_totalSectors;
};

// A new analyser owned by the caller, or null for a null device, an unreadable start sector or a boot sector
// that is not exFAT for the device's sector size.
IVolumeAnalyze* CreateExfatVolumeAnalyze(IStorageDevice* device, unsigned long long startSector);
