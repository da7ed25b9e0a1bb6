#include "NTFSLib/CLogFileInfo.h"

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"

bool CLogFileInfo::Build(const CNTFSFileRecord& record, std::int64_t sector) {
  if (!record.IsValid() || !CMetaFileRecordTypeAnalyzer::IsLogFileRecord(record)) return false;
  const std::uint32_t sectorsPerCluster = CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record);
  if (sectorsPerCluster == 0) return false;
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, false, realSize) || runs.IsEmpty())
    return false;
  runs.Sort();
  m_sector = sector;
  m_runs = std::move(runs);
  m_sequenceNumber = record.GetLogFileSequenceNumber();
  m_sectorsPerCluster = sectorsPerCluster;
  return true;
}

bool CLogFileInfo::Equals(const CLogFileInfo& other) const {
  return m_sector == other.m_sector && m_sequenceNumber == other.m_sequenceNumber && m_runs.IsEqual(other.m_runs);
}
