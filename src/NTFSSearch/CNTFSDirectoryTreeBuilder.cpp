#include "NTFSSearch/CNTFSDirectoryTreeBuilder.h"

#include <algorithm>
#include <deque>
#include <map>
#include <new>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSSearch/CFindFileFromLogFile.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

using namespace quellsy;

namespace {
constexpr std::int64_t kReadSectors = 128;
constexpr std::int64_t kExtendFolder = 11;
// Records whose own number is unknown get IDs past any MFT number, one per sector.
constexpr std::int64_t kUnnumberedBase = std::int64_t{1} << 48;
}  // namespace

CNTFSDirectoryTreeBuilder::CNTFSDirectoryTreeBuilder(IStorageDevice& device, IDirecotryTreeBuilder& builder,
                                                     const CNTFSIntelligentSearchInfo& info)
    : m_device(device), m_builder(builder), m_info(info) {
  const std::uint32_t size = device.GetSectorSize();
  m_sectorSize = size == 0 ? 512 : size;
}

CNTFSDirectoryTreeBuilder::~CNTFSDirectoryTreeBuilder() = default;

std::int64_t CNTFSDirectoryTreeBuilder::GetMFTNumber(std::int64_t sector, const CMFTInfo& mft, std::int64_t origin,
                                                     std::uint32_t sectorsPerCluster) {
  const std::int64_t r = sector - origin;
  if (r < 0 || sectorsPerCluster == 0) return -1;
  const std::int64_t vcn = mft.GetDataRunList().GetVCN(r / sectorsPerCluster);
  if (vcn < 0 || vcn > (std::int64_t{1} << 48)) return -1;
  const std::int64_t s = vcn * sectorsPerCluster + r % sectorsPerCluster;
  const std::int64_t perRecord = std::max<std::int64_t>(mft.GetSectorsPerFileRecord(), 1);
  return s % perRecord == 0 ? s / perRecord : -1;
}

void CNTFSDirectoryTreeBuilder::BuildDirectoryTree(const CSearchedNTFSPartitionInfo& partition,
                                                   std::uint16_t partitionIndex) {
  const std::int64_t origin = partition.GetClusterOrigin();
  const std::uint32_t k = partition.GetSectorsPerCluster();
  const auto total = static_cast<std::int64_t>(partition.GetTotalSectors());
  m_mfts.clear();
  m_logs.clear();
  m_found.clear();
  if (k == 0 || total <= 0) return;
  for (const CMFTInfo& mft : m_info.mfts) {
    const std::int64_t first = mft.GetDataRunList().GetLCN(0);
    if (mft.GetSectorsPerCluster() != k || first < 0 || first > total / k || mft.GetSector() != origin + first * k)
      continue;
    const auto& runs = mft.GetDataRunList().GetRuns();
    if (std::any_of(runs.begin(), runs.end(), [&](const CDataRun& run) {
          return run.lcn < 0 || run.length < 0 || run.lcn > total / k || run.length > total / k - run.lcn;
        }))
      continue;
    if (std::any_of(m_mfts.begin(), m_mfts.end(), [&](const CMFTInfo* m) { return m->GetSector() == mft.GetSector(); }))
      continue;
    m_mfts.push_back(&mft);
    auto log = std::make_unique<CFindFileFromLogFile>();
    if (log->Init(&m_device, mft.GetDataRunList(), k, origin)) log->Analyzer();
    m_logs.push_back(std::move(log));
  }
  const std::int64_t deviceEnd = m_device.GetTotalSectors();
  ReadRecords(origin, std::min(origin + total, deviceEnd), k);
  for (std::size_t i = 0; i < m_mfts.size(); ++i) HandOver(static_cast<int>(i), partitionIndex);
  const std::uint32_t flags = partition.GetEvidence().buildFrom;
  const bool trusted = (flags & (CSearchedNTFSPartitionInfo::kBootFlags | CSearchedNTFSPartitionInfo::kMFTFlags)) != 0;
  if (partitionIndex == 0 || trusted) HandOver(-1, partitionIndex);
  m_found.clear();
  m_logs.clear();
  m_mfts.clear();
}

void CNTFSDirectoryTreeBuilder::ReadRecords(std::int64_t origin, std::int64_t end, std::uint32_t k) {
  std::vector<std::uint8_t> buffer;
  for (const CCommonFileRecordPositionInfo& run : m_info.positions) {
    if (run.first < origin || run.first >= end || run.step == 0) continue;
    const std::int64_t step = run.step;
    const std::int64_t perRead = std::max<std::int64_t>(kReadSectors / step, 1) * step;
    const std::int64_t runEnd = std::min(end, run.first + run.count * step);
    for (std::int64_t at = run.first; at + step <= runEnd; at += perRead) {
      const std::int64_t sectors = std::min(perRead, (runEnd - at) / step * step);
      buffer.assign(static_cast<std::size_t>(sectors) * m_sectorSize, 0);
      // An unreadable sector reads as zeros, which fail the record test: the records read with it stay.
      if (!quellsy::ReadSectorsSalvaging(m_device, buffer.data(), at, sectors).AnyRead(at, sectors)) continue;
      for (std::int64_t r = 0; r + step <= sectors; r += step)
        ProcessRecord(ByteSpan(buffer).subspan(static_cast<std::size_t>(r) * m_sectorSize,
                                               static_cast<std::size_t>(step) * m_sectorSize),
                      at + r, origin, k);
    }
  }
}

void CNTFSDirectoryTreeBuilder::ProcessRecord(ByteSpan bytes, std::int64_t sector, std::int64_t origin,
                                              std::uint32_t k) {
  if (!CNTFSFileRecord::IsValid(bytes) || CIsMetaFileRecord::IsMetaFileRecord(bytes)) return;
  const CNTFSFileRecord record(bytes);
  if (!record.IsValid() || record.IsExtendFileRecord()) return;
  CCommonFileRecordInfo info;
  if (!info.Build(record, sector)) return;
  Found found;
  const std::int64_t cluster = (sector - origin) / k;
  for (std::size_t i = 0; i < m_mfts.size() && found.owner < 0; ++i)
    if (m_mfts[i]->GetDataRunList().IsLCNContained(cluster)) found.owner = static_cast<int>(i);
  found.mftNumber = info.GetMFTNumber();
  if (found.mftNumber < 0 && found.owner >= 0)
    found.mftNumber = GetMFTNumber(sector, *m_mfts[static_cast<std::size_t>(found.owner)], origin, k);
  if (CIsMetaFileRecordNumber::IsMetaFileRecord(found.mftNumber) || info.GetParentMFTNumber() == kExtendFolder) return;
  NTFSVolumeGeometry geometry;
  geometry.sectorSize = m_sectorSize;
  geometry.sectorsPerCluster = k;
  geometry.origin = origin;
  geometry.recordSize = static_cast<std::uint32_t>(record.RecordSize());
  static const CNTFSDataRunList kNoRuns;
  const CNTFSDataRunList& mftRuns =
      found.owner >= 0 ? m_mfts[static_cast<std::size_t>(found.owner)]->GetDataRunList() : kNoRuns;
  std::vector<CAttributeListExtendFileRecordInfo> extensions =
      found.owner >= 0 && record.HasAttributeList()
          ? CNTFSMultiFileRecord::InitExtendFileRecord(bytes, sector, m_device, geometry, mftRuns)
          : std::vector<CAttributeListExtendFileRecordInfo>{};
  CNTFSMultiFileRecord multiRecord(bytes, sector, &m_device, geometry, mftRuns, extensions);
  std::int64_t builderParent = -1;
  const std::uint32_t bytesPerCluster = k * m_sectorSize;
  found.properties.reset(
      CNTFSFilePropertiesBuilder::BuildFileProperties(sector, multiRecord, bytesPerCluster, builderParent));
  if (!found.properties) return;
  found.parent = info.GetParentMFTNumber() >= 0 ? info.GetParentMFTNumber() : builderParent;
  found.directory = (found.properties->GetAttribute() & CNTFSFilePropertiesStruct::kDirectory) != 0;
  const bool deleted = (found.properties->GetState() & CNTFSFilePropertiesStruct::kStateDeleted) != 0;
  if (found.properties->GetFileSize() == 0 && !found.directory && deleted) {
    for (const auto& log : m_logs)
      if (log->IsAnalysed() && log->ReplaceFileRecordInfo(bytes, *found.properties, found.parent, extensions)) break;
  }
  CNTFSFilePropertiesBuilder::AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(*found.properties,
                                                                                       bytesPerCluster / 512);
  found.properties->SetExtendFileRecordInfoList(std::move(extensions));
  if (found.mftNumber < 0) found.mftNumber = kUnnumberedBase + sector;
  m_found.push_back(std::move(found));
}

void CNTFSDirectoryTreeBuilder::AddNode(Found& found, std::uint16_t partitionIndex) {
  auto* node = new (std::nothrow) CNTFSFileNode();
  if (node == nullptr) return;
  node->SetFileProperties(found.properties.release());
  node->SetCurrentNodeID(found.mftNumber);
  node->SetParentNodeID(found.parent);
  node->SetBelongedPartition(partitionIndex);
  if (m_builder.AddNode(node, SEARCHER_NTFS) == 0) node->Release();
}

void CNTFSDirectoryTreeBuilder::HandOver(int owner, std::uint16_t partitionIndex) {
  std::multimap<std::int64_t, std::size_t> byParent;
  for (std::size_t i = 0; i < m_found.size(); ++i)
    if (m_found[i].owner == owner && m_found[i].properties) byParent.emplace(m_found[i].parent, i);
  // Breadth first from the root; every record is handed over once, so parent links that loop end here.
  std::vector<bool> handed(m_found.size(), false);
  std::deque<std::int64_t> folders{CNTFSFileNode::kRootFolder};
  while (!folders.empty()) {
    const std::int64_t folder = folders.front();
    folders.pop_front();
    const auto [from, to] = byParent.equal_range(folder);
    for (auto it = from; it != to; ++it) {
      Found& found = m_found[it->second];
      if (handed[it->second]) continue;
      handed[it->second] = true;
      if (found.directory && found.mftNumber != folder) folders.push_back(found.mftNumber);
      AddNode(found, partitionIndex);
    }
  }
  // What no path from the root reaches keeps its own parent: the core's builder links the orphaned folders' files
  // under them and gathers the rest.
  for (const bool directories : {true, false}) {
    for (std::size_t i = 0; i < m_found.size(); ++i) {
      Found& found = m_found[i];
      if (found.owner != owner || !found.properties || handed[i] || found.directory != directories) continue;
      handed[i] = true;
      AddNode(found, partitionIndex);
    }
  }
}
