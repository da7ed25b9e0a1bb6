#include "HFSPlus/HFSPlusSearch/CHFSPlusDirectoryTreeBuilder.h"

#include <vector>

#include "include/FileNode.h"
#include "include/IDataRunList.h"

CHFSPlusDirectoryTreeBuilder::CHFSPlusDirectoryTreeBuilder(IDirecotryTreeBuilder* inner, std::uint32_t sectorsPerBlock,
                                                           std::uint32_t partitionIndex, std::uint64_t startSector)
    : m_inner(inner), m_sectorsPerBlock(sectorsPerBlock), m_partitionIndex(partitionIndex), m_startSector(startSector) {}

void CHFSPlusDirectoryTreeBuilder::SetBitmap(unsigned sectorsPerBit, MarkSink marks) {
  m_sectorsPerBit = sectorsPerBit;
  m_marks = std::move(marks);
}

int CHFSPlusDirectoryTreeBuilder::Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) {
  return m_inner != nullptr ? m_inner->Initialize(description, sink, filter) : 0;
}

void CHFSPlusDirectoryTreeBuilder::AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) {
  if (m_inner != nullptr) m_inner->AddSearcherInfo(searcher, rootNodeID);
}

void CHFSPlusDirectoryTreeBuilder::FlashBuild(_tagSearcherType searcher) {
  if (m_inner != nullptr) m_inner->FlashBuild(searcher);
}

void CHFSPlusDirectoryTreeBuilder::Release() {
  if (m_inner != nullptr) m_inner->Release();
}

void CHFSPlusDirectoryTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) {
  if (m_inner != nullptr) m_inner->SetPartitonDevice(partition, device);
}

int CHFSPlusDirectoryTreeBuilder::AddNode(IFileNode* node, _tagSearcherType searcher) {
  if (m_inner == nullptr || node == nullptr) return 0;
  if (auto* fileNode = dynamic_cast<CFileNode*>(node)) fileNode->SetBelongedPartition(static_cast<std::uint16_t>(m_partitionIndex));
  if (m_marks && m_sectorsPerBit != 0 && m_sectorsPerBlock != 0 && node->IsDeleted() == 0) MarkRuns(*node);
  return m_inner->AddNode(node, searcher);
}

void CHFSPlusDirectoryTreeBuilder::MarkRuns(IFileNode& node) {
  IDataRunList* list = node.GetDataRunList();
  if (list == nullptr) return;
  std::vector<DataRun> runs;
  for (DataRun* run = list->GetFirst(); run != nullptr; run = list->GetNext()) runs.push_back(*run);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    long long length = runs[i].length;
    // The file's last block is left open: it may hold the start of something written after the file.
    if (i + 1 == runs.size() && length != 0) --length;
    if (runs[i].lcn < 0 || length <= 0) continue;
    if (m_sectorsPerBlock == m_sectorsPerBit && m_startSector == 0) {
      m_marks(runs[i].lcn, length);
    } else {
      const long long first = (runs[i].lcn * m_sectorsPerBlock + static_cast<long long>(m_startSector)) / m_sectorsPerBit;
      m_marks(first, length * m_sectorsPerBlock / m_sectorsPerBit);
    }
  }
}
