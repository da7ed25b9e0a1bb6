#pragma once
// Evidence of an $MFT record found on the device: where it lies, its data runs and the sizes they imply.

#include <cstdint>

#include "NTFSLib/CNTFSDataRunList.h"

class CNTFSFileRecord;

class CMFTInfo {
 public:
  // A valid record whose unnamed data attributes give runs that map VCN 0 and a cluster size.
  bool Build(const CNTFSFileRecord& record, std::int64_t sector);

  std::int64_t GetSector() const { return m_sector; }
  const CNTFSDataRunList& GetDataRunList() const { return m_runs; }
  std::uint8_t GetSectorsPerFileRecord() const { return m_sectorsPerRecord; }
  std::uint8_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }

 private:
  std::int64_t m_sector = -1;
  CNTFSDataRunList m_runs;
  std::uint8_t m_sectorsPerRecord = 2;
  std::uint8_t m_sectorsPerCluster = 0;
};
