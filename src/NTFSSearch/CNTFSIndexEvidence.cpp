#include "NTFSSearch/CNTFSIndexEvidence.h"

#include "NTFSLib/CIndexRecord.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

using Flags = CSearchedNTFSPartitionInfo;

void CNTFSIndexEvidence::Clear() {
  m_folders.clear();
  m_indexes.clear();
}

void CNTFSIndexEvidence::Propose(const Folder& folder, const IndexRecord& index) {
  const std::int64_t cluster = folder.runs.GetLCN(index.vcn);
  if (cluster < 0) return;
  auto proposal =
      m_builder.BuildPartitionInfoAccordingtoFileRecord(index.sector, cluster, folder.sectorsPerCluster, Flags::kIndexRecord);
  if (!proposal) return;
  if (CSearchedNTFSPartitionInfo* held =
          m_builder.Find({proposal->GetClusterOrigin(), proposal->GetSectorsPerCluster()})) {
    held->GetEvidence().buildFrom |= Flags::kIndexRecord;
    held->SetSecondCounter(held->GetSecondCounter() + 1);
    return;
  }
  proposal->SetSecondCounter(1);
  m_builder.Merge(std::move(proposal));
}

void CNTFSIndexEvidence::AnalyzeFolderRecord(const CNTFSFileRecord& record) {
  if (!record.IsValid() || record.IsExtendFileRecord() || m_folders.size() >= kMaxEntries) return;
  const CNTFSFileRecordDataRunsAttribute allocation(record.FindAttibute(quellsy::ntfs::kIndexAllocation, 0));
  Folder folder{{}, 0};
  if (!allocation.IsValid() || !allocation.GetDataRunList(folder.runs) || folder.runs.IsEmpty()) return;
  folder.sectorsPerCluster = allocation.GetSectorsPerCluster();
  if (folder.sectorsPerCluster == 0) return;
  const CNTFSFileRecordIndexRootAttribute root(record.FindAttibute(quellsy::ntfs::kIndexRoot, 0));
  std::int64_t number = root.IsValid() ? root.GetMFTFileRecordNumberfrom0x90() : -1;
  if (number < 0 && record.HasXPNumberOfthisMFTRecord()) number = record.GetXPNumberOfthisMFTRecord();
  if (number < 0 || number == kRootFolder) return;
  if (m_folders.count(number) >= kMaxFoldersPerNumber) return;
  const auto [from, to] = m_indexes.equal_range(number);
  for (auto it = from; it != to; ++it) Propose(folder, it->second);
  m_folders.emplace(number, std::move(folder));
}

bool CNTFSIndexEvidence::AnalyzeIndexRecord(std::int64_t sector, quellsy::ByteSpan buffer) {
  if (!CIndexRecord::IsValid(buffer)) return false;
  const std::int64_t parent = CIndexRecord::GetParentFileReference(buffer);
  if (parent == kRootFolder || parent == 0xFFFFFFFF) return true;
  const IndexRecord index{sector, CIndexRecord::GetVCN(buffer)};
  const auto [from, to] = m_folders.equal_range(parent);
  for (auto it = from; it != to; ++it) Propose(it->second, index);
  if (m_indexes.size() < kMaxEntries) m_indexes.emplace(parent, index);
  return true;
}
