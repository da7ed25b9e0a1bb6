#include "NTFSSearch/CNTFSQuickSearch.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "NTFSLib/CCommonFileRecordInfo.h"
#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSDBR.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "NTFSSearch/NTFSSearchErrors.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

using namespace quellsy;

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
constexpr std::uint32_t kMaxSectorSize = 4096;
constexpr std::uint32_t kBatchSectors = 128;
// Sector 0 holds the boot sector; a volume needs at least it and the records behind it.
constexpr long long kMinimumSectors = 3;
// Extension records found through the runs gathered so far may map further ones; a real $MFT needs few rounds.
constexpr int kMaxExtensionRounds = 8;
constexpr std::int64_t kExtendFolder = 11;

std::uint32_t SectorSizeOf(IStorageDevice& device) {
  const std::uint32_t size = device.GetSectorSize();
  return size == 0 ? kDefaultSectorSize : size;
}

}  // namespace

CNTFSQuickSearch::CNTFSQuickSearch() {
  m_partition.SetFileSystemType(FILE_SYSTEM_NTFS);
  m_partition.SetClusterOrigin(0);
  m_partition.SetSectorsPerCluster(1);
  m_partition.SetPartitionIndex(0);
}

int CNTFSQuickSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  if (out == nullptr) return 1;
  if (capacity < 1) return 0;
  CSearchedPartitionInfo* copy = m_partition.Clone();
  if (copy == nullptr) return 0;
  copy->SetStartSector(0);
  copy->SetTotalSectors(m_partition.GetTotalSectors() + 1);
  out[0] = copy;
  return 1;
}

void CNTFSQuickSearch::Report(std::uint32_t status, std::uint64_t total, std::uint64_t current, ResultCode result) {
  if (m_progress == nullptr) return;
  _PROGRESS_INFO info{};
  info.status = status;
  info.total = total;
  info.current = current;
  info.result = result;
  m_progress->UpdateProgress(&info);
}

unsigned long long CNTFSQuickSearch::QuickSearchFiles(IStorageDevice* device, IProgress* progress) {
  m_progress = progress;
  bool accepted = false;
  const ResultCode result = Search(device, progress, accepted);
  if (accepted) {
    m_builder->SetPartitonDevice(&m_partition, device);
    m_builder->FlashBuild(SEARCHER_NTFS);
  }
  // Sent on every path, so a scan that failed never looks as if it were still running.
  Report(PROGRESS_STATUS_FINISHED, m_mftSectors, m_mftSectors, result);
  return result;
}

bool CNTFSQuickSearch::ReadMFTRuns(IStorageDevice& device, const NTFSVolumeGeometry& geometry, std::int64_t cluster,
                                   CNTFSDataRunList& runs, bool& unreadable) {
  runs.ClearDataRunList();
  unreadable = false;
  const std::int64_t recordClusters =
      static_cast<std::int64_t>((geometry.recordSize + geometry.ClusterBytes() - 1) / geometry.ClusterBytes());
  CNTFSDataRunList at;
  at.AddDataRun({cluster, 0, recordClusters});
  std::vector<std::uint8_t> bytes(geometry.recordSize);
  if (!ntfs::ReadThroughRuns(device, geometry, at, 0, bytes)) {
    unreadable = true;
    return false;
  }
  const CNTFSFileRecord record(bytes);
  if (!record.IsValid() || !CMetaFileRecordTypeAnalyzer::IsMFTFileRecord(record)) return false;
  const std::int64_t sector = cluster * geometry.sectorsPerCluster + geometry.origin;
  // The boot sector gave the cluster size, so clusters above 128 sectors (which the size test of a record found
  // alone cannot tell) are read too.
  std::int64_t realSize = 0;
  if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, realSize) || runs.GetLCN(0) < 0)
    return false;
  if (!record.HasAttributeList()) return true;
  // The $MFT's later extents live in extension records, which are themselves placed by the extents known so far.
  std::vector<std::int64_t> added;
  for (int round = 0; round < kMaxExtensionRounds; ++round) {
    bool grew = false;
    for (const CAttributeListExtendFileRecordInfo& extension :
         CNTFSMultiFileRecord::InitExtendFileRecord(bytes, sector, device, geometry, runs)) {
      if (std::find(added.begin(), added.end(), extension.mftNumber) != added.end()) continue;
      std::vector<std::uint8_t> extensionBytes;
      if (!ntfs::ReadFileRecord(device, geometry, runs, static_cast<std::uint64_t>(extension.mftNumber),
                                extensionBytes))
        continue;
      const CNTFSFileRecord extensionRecord(extensionBytes);
      if (!extensionRecord.IsValid()) continue;
      added.push_back(extension.mftNumber);
      std::int64_t extensionSize = 0;
      CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(extensionRecord, runs, false, extensionSize);
      grew = true;
    }
    if (!grew) break;
  }
  runs.Sort();
  return true;
}

ResultCode CNTFSQuickSearch::Search(IStorageDevice* device, IProgress* progress, bool& accepted) {
  m_device = device;
  if (device == nullptr || progress == nullptr || m_builder == nullptr) return ntfssearch::kQuickMissingArgument;
  const std::uint32_t sectorSize = SectorSizeOf(*device);
  m_partition.SetFileSystemType(FILE_SYSTEM_NTFS);
  m_partition.SetClusterOrigin(0);
  m_partition.SetBytesPerSector(sectorSize);
  const long long total = device->GetTotalSectors();
  m_partition.SetTotalSectors(total > 0 ? static_cast<std::uint64_t>(total - 1) : 0);
  if (total < kMinimumSectors || sectorSize > kMaxSectorSize || sectorSize % 512 != 0)
    return ntfssearch::kQuickNoBootSector;
  NTFSPublicFunction::SetDeviceSectorSize(sectorSize);

  std::vector<std::uint8_t> sector(kMaxSectorSize, 0);
  CNTFSDBR boot;
  if (!device->ReadSector(sector.data(), 0, 1)) return ntfssearch::kQuickBootSectorUnreadable;
  if (!boot.InitFromBuffer(sector)) return ntfssearch::kQuickNoBootSector;
  const auto geometry = boot.GeometryOn(sectorSize, 0);
  if (!geometry) return ntfssearch::kQuickNoBootSector;
  m_geometry = *geometry;
  m_partition.SetSectorsPerCluster(m_geometry.sectorsPerCluster);

  bool mftUnreadable = false;
  bool mirrorUnreadable = false;
  if (!ReadMFTRuns(*device, m_geometry, boot.GetMFTStartCluster(), m_mftRuns, mftUnreadable) &&
      !ReadMFTRuns(*device, m_geometry, boot.GetMFTMirrorStartCluster(), m_mftRuns, mirrorUnreadable))
    return mftUnreadable && mirrorUnreadable ? ntfssearch::kQuickMFTUnreadable : ntfssearch::kQuickNoMFTRecord;
  m_mftSectors = static_cast<std::uint64_t>(m_mftRuns.GetTotalClusters()) * m_geometry.sectorsPerCluster;
  // Runs from a damaged record may claim more than the device holds; the walk reads no further than it.
  const std::uint64_t recordCount =
      std::min<std::uint64_t>(m_mftSectors, static_cast<std::uint64_t>(total)) * sectorSize / m_geometry.recordSize;
  m_underExtend.assign(recordCount, false);
  m_sequenceNumbers.assign(recordCount, 0);
  accepted = true;

  m_builder->AddSearcherInfo(SEARCHER_NTFS, CNTFSFileNode::kRootFolder);
  if (m_logFile.Init(device, m_mftRuns, m_geometry.sectorsPerCluster)) m_logFile.Analyzer();
  WalkMFT();
  AddFilesOnlyInLog(recordCount);
  return kResultOk;
}

void CNTFSQuickSearch::WalkMFT() {
  const std::uint32_t sectorSize = m_geometry.sectorSize;
  Report(PROGRESS_STATUS_RUNNING, m_mftSectors, 0, kResultOk);
  std::vector<std::uint8_t> batch(std::size_t{kBatchSectors} * sectorSize);
  std::vector<std::int64_t> sectors;
  sectors.reserve(kBatchSectors);
  std::uint64_t done = 0;
  const auto flush = [&] {
    const std::uint64_t firstByte = done * sectorSize;
    ProcessBatch(MutableByteSpan(batch).first(sectors.size() * sectorSize), sectors, firstByte);
    done += sectors.size();
    sectors.clear();
    Report(PROGRESS_STATUS_RUNNING, m_mftSectors, done, kResultOk);
  };
  for (const CDataRun& run : m_mftRuns.GetRuns()) {
    if (m_progress->Continued() == 0) return;
    const std::int64_t runSectors = run.length * m_geometry.sectorsPerCluster;
    for (std::int64_t at = 0; at < runSectors;) {
      if (m_progress->Continued() == 0) return;
      const auto count = static_cast<std::size_t>(
          std::min<std::int64_t>(runSectors - at, static_cast<std::int64_t>(kBatchSectors - sectors.size())));
      std::uint8_t* into = batch.data() + sectors.size() * sectorSize;
      const std::int64_t first = run.lcn * m_geometry.sectorsPerCluster + m_geometry.origin + at;
      // A sector that cannot be read is zeros, which fail the record test: only the records it holds are lost.
      if (run.lcn < 0)
        std::memset(into, 0, count * sectorSize);
      else
        ReadSectorsSalvaging(*m_device, into, first, static_cast<long long>(count));
      for (std::size_t i = 0; i < count; ++i) sectors.push_back(first + static_cast<std::int64_t>(i));
      at += static_cast<std::int64_t>(count);
      if (sectors.size() == kBatchSectors) flush();
    }
  }
  if (!sectors.empty() && m_progress->Continued() != 0) flush();
}

void CNTFSQuickSearch::ProcessBatch(MutableByteSpan batch, const std::vector<std::int64_t>& sectors,
                                    std::uint64_t firstByte) {
  const std::uint32_t recordSize = m_geometry.recordSize;
  for (std::size_t at = 0; at + recordSize <= batch.size(); at += recordSize) {
    const auto mftNumber = static_cast<std::int64_t>((firstByte + at) / recordSize);
    ProcessRecord(batch.subspan(at, recordSize), sectors[at / m_geometry.sectorSize], mftNumber);
  }
}

void CNTFSQuickSearch::ProcessRecord(MutableByteSpan bytes, std::int64_t sector, std::int64_t mftNumber) {
  if (CIsMetaFileRecordNumber::IsMetaFileRecord(mftNumber)) return;
  const CNTFSFileRecord record(bytes.data(), bytes.size(), false);
  if (!record.IsValid() || CIsMetaFileRecord::IsMetaFileRecord(record)) return;
  if (static_cast<std::uint64_t>(mftNumber) < m_sequenceNumbers.size())
    m_sequenceNumbers[static_cast<std::size_t>(mftNumber)] = record.GetSequenceNumber();
  if (record.IsExtendFileRecord()) return;
  CCommonFileRecordInfo position;
  if (!position.Build(record, sector)) return;
  position.SetMFTNumber(mftNumber);
  const std::int64_t named = position.GetParentMFTNumber();
  if (IsExtendMetadata(named)) {
    if (static_cast<std::uint64_t>(mftNumber) < m_underExtend.size()) m_underExtend[static_cast<std::size_t>(mftNumber)] = true;
    return;
  }
  std::vector<CAttributeListExtendFileRecordInfo> extensions =
      record.HasAttributeList()
          ? CNTFSMultiFileRecord::InitExtendFileRecord(record, sector, *m_device, m_geometry, m_mftRuns)
          : std::vector<CAttributeListExtendFileRecordInfo>{};
  CNTFSMultiFileRecord multiRecord(record, sector, m_device, m_geometry, m_mftRuns, extensions);
  std::int64_t parent = position.GetParentMFTNumber();
  std::int64_t builderParent = -1;
  const std::uint32_t bytesPerCluster = m_geometry.sectorsPerCluster * m_geometry.sectorSize;
  std::unique_ptr<CNTFSFileProperties> properties(
      CNTFSFilePropertiesBuilder::BuildFileProperties(sector, multiRecord, bytesPerCluster, builderParent));
  if (!properties) return;
  if (parent == -1) parent = builderParent;
  const bool deleted = (properties->GetState() & CNTFSFilePropertiesStruct::kStateDeleted) != 0;
  const bool folder = (properties->GetAttribute() & CNTFSFilePropertiesStruct::kDirectory) != 0;
  if (properties->GetFileSize() == 0 && !folder && deleted)
    m_logFile.ReplaceFileRecordInfo(record, *properties, parent, extensions);
  m_logFile.ClaimFile(parent, properties->GetFileName());
  CNTFSFilePropertiesBuilder::AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(
      *properties, bytesPerCluster / 512);
  properties->SetExtendFileRecordInfoList(std::move(extensions));
  auto* node = new (std::nothrow) CNTFSFileNode();
  if (node == nullptr) return;
  node->SetFileProperties(properties.release());
  node->SetCurrentNodeID(mftNumber);
  node->SetParentNodeID(parent);
  if (m_builder->AddNode(node, SEARCHER_NTFS) == 0) node->Release();
}

bool CNTFSQuickSearch::IsExtendMetadata(std::int64_t folder) const {
  return folder == kExtendFolder || (folder >= 0 && static_cast<std::uint64_t>(folder) < m_underExtend.size() &&
                                     m_underExtend[static_cast<std::size_t>(folder)]);
}

void CNTFSQuickSearch::AddFilesOnlyInLog(std::uint64_t recordCount) {
  // Their own records were given to other files: they get numbers past the MFT's so none clashes with a record.
  auto id = static_cast<std::int64_t>(recordCount);
  for (const CFindFileFromLogFile::FoundFile& found : m_logFile.FoundFiles()) {
    if (found.claimed || m_progress->Continued() == 0) continue;
    // The log also records the volume's own files, which are never listed.
    const auto number = static_cast<std::int64_t>(found.properties->GetFileRecordIndex());
    // A record still holding the image's sequence number was never given to another file: the walk listed it.
    const bool sameRecord = static_cast<std::uint64_t>(number) < m_sequenceNumbers.size() &&
                            m_sequenceNumbers[static_cast<std::size_t>(number)] != 0 &&
                            m_sequenceNumbers[static_cast<std::size_t>(number)] == found.sequenceNumber;
    if (sameRecord || CIsMetaFileRecordNumber::IsMetaFileRecord(number) || IsExtendMetadata(found.parent) ||
        (found.parent != CNTFSFileNode::kRootFolder && CIsMetaFileRecordNumber::IsMetaFileRecord(found.parent)))
      continue;
    std::unique_ptr<IFileProperties> copy(found.properties->Clone());
    if (!copy) continue;
    copy->SetState(copy->GetState() | CNTFSFilePropertiesStruct::kStateDeleted);
    auto* node = new (std::nothrow) CNTFSFileNode();
    if (node == nullptr) return;
    node->SetFileProperties(static_cast<CNTFSFileProperties*>(copy.release()));
    node->SetCurrentNodeID(id++);
    node->SetParentNodeID(found.parent);
    if (m_builder->AddNode(node, SEARCHER_NTFS) == 0) node->Release();
  }
}

IQuickFileSystemSearchController* CreateNTFSQuickSearcher() { return new (std::nothrow) CNTFSQuickSearch(); }
