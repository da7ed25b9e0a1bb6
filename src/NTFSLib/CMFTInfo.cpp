#include "NTFSLib/CMFTInfo.h"

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/NTFSLayout.h"

bool CMFTInfo::Build(const CNTFSFileRecord& record, std::int64_t sector) {
  if (!record.IsValid()) return false;
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, false, realSize)) return false;
  if (runs.GetLCN(0) < 0) return false;
  const std::uint32_t sectorsPerCluster = CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record);
  if (sectorsPerCluster == 0) return false;
  m_sector = sector;
  m_runs = std::move(runs);
  m_sectorsPerRecord = static_cast<std::uint8_t>(record.RecordSize() / quellsy::ntfs::kFixupStride);
  m_sectorsPerCluster = static_cast<std::uint8_t>(sectorsPerCluster);
  return true;
}
