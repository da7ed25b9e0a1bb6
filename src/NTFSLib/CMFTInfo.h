#pragma once
// Evidence of an $MFT record found on the device: where it lies, its data runs and the sizes they imply.

#include <cstdint>
#include <vector>

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

  // The stored form: the sector (i64), sectors per record and per cluster (a byte each), then the run list.
  std::vector<std::uint8_t> Save() const;
  // Reads a stored form from the start of bytes; false (nothing changed) when it is cut short.
  bool Restore(quellsy::ByteSpan bytes, std::size_t& consumed);

 private:
  std::int64_t m_sector = -1;
  CNTFSDataRunList m_runs;
  std::uint8_t m_sectorsPerRecord = 2;
  std::uint8_t m_sectorsPerCluster = 0;
};
