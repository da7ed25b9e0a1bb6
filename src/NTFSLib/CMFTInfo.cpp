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

std::vector<std::uint8_t> CMFTInfo::Save() const {
  std::vector<std::uint8_t> out(10);
  quellsy::FieldWriter w(out);
  w.le64(0, static_cast<std::uint64_t>(m_sector));
  w.u8(8, m_sectorsPerRecord);
  w.u8(9, m_sectorsPerCluster);
  const auto runs = m_runs.Save();
  out.insert(out.end(), runs.begin(), runs.end());
  return out;
}

bool CMFTInfo::Restore(quellsy::ByteSpan bytes, std::size_t& consumed) {
  consumed = 0;
  if (bytes.size() < 10) return false;
  CNTFSDataRunList runs;
  std::size_t used = 0;
  if (!runs.Restore(bytes.subspan(10), used)) return false;
  quellsy::FieldReader r(bytes);
  m_sector = static_cast<std::int64_t>(r.le64(0));
  m_sectorsPerRecord = r.u8(8);
  m_sectorsPerCluster = r.u8(9);
  m_runs = std::move(runs);
  consumed = 10 + used;
  return true;
}
