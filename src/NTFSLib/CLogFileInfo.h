#pragma once
// Evidence of a $LogFile record found on the device: where it lies, its data runs, its log sequence number and
// the cluster size its data implies.

#include <cstdint>

#include "NTFSLib/CNTFSDataRunList.h"

class CNTFSFileRecord;

class CLogFileInfo {
 public:
  // A valid "$LogFile" meta record whose unnamed data attributes give runs and a cluster size.
  bool Build(const CNTFSFileRecord& record, std::int64_t sector);

  std::int64_t GetSector() const { return m_sector; }
  const CNTFSDataRunList& GetDataRunList() const { return m_runs; }
  std::int64_t GetLogFileSequenceNumber() const { return m_sequenceNumber; }
  std::uint32_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }
  // The log's first cluster, -1 when its runs do not map VCN 0.
  std::int64_t GetFirstCluster() const { return m_runs.GetLCN(0); }
  // Same sector, same sequence number, equal run lists.
  bool Equals(const CLogFileInfo& other) const;

 private:
  std::int64_t m_sector = -1;
  CNTFSDataRunList m_runs;
  std::int64_t m_sequenceNumber = 0;
  std::uint32_t m_sectorsPerCluster = 0;
};
