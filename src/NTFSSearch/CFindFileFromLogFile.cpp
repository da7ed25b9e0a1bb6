#include "NTFSSearch/CFindFileFromLogFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/CNoneResidentNTFSDataRunList.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "include/IDataRunList.h"
#include "include/IStorageDevice.h"

namespace ntfs = quellsy::ntfs;
using Props = CNTFSFilePropertiesStruct;

namespace {

constexpr std::uint64_t kLogFileRecord = 2;
constexpr std::uint32_t kDefaultSectorsPerCluster = 8;
constexpr std::uint32_t kDefaultSectorSize = 512;
// The log needs its two restart pages, their two copies and at least one record page.
constexpr std::uint64_t kMinLogPages = 5;
// 64 KiB: room the heap has at hand, where a larger buffer would be fresh pages every scan.
constexpr std::size_t kPagesPerRead = 16;
// Images of FILE records start this far into a log record: its header, then the client header.
constexpr std::size_t kImageOffset = ntfs::kLogRecordHeaderSize + ntfs::kLogClientHeaderSize;
constexpr std::uint32_t kMinImageClientData = 113;
constexpr std::size_t kMaxFoundFiles = 500000;
// Undo data kept for rebuilding; a real log's changes to data attributes stay far below this.
constexpr std::size_t kMaxKeptUndoBytes = 64u << 20;
// A file's base record and at most seven extension records are rebuilt; only its first five data attributes
// in each are looked at.
constexpr std::size_t kMaxRebuiltRecords = 8;
constexpr unsigned kMaxDataAttributes = 5;
// Undo data this short cannot hold sizes or mapping pairs worth restoring.
constexpr std::size_t kMinUndo = 10;
constexpr std::size_t kMinCompressedUndo = 24;
constexpr std::size_t kBlockBytes = 512;
constexpr int kNonResidentList = 2;

bool IsFileImage(quellsy::ByteSpan bytes) {
  static constexpr char kMagic[] = "FILE0";
  return bytes.size() >= kImageOffset + 5 && std::memcmp(bytes.data() + kImageOffset, kMagic, 5) == 0;
}

void SetRuns(CNTFSFileProperties& properties, const CNTFSDataRunList& runs) {
  std::int64_t clusters = 0;
  CNoneResidentNTFSDataRunList* list = BuildNonResidentDataRunListfromNTFSDataRunList(runs, clusters);
  if (list == nullptr) return;
  properties.SetDataRunList(list);
  list->Release();
}

}  // namespace

void CFindFileFromLogFile::Reset() {
  m_device = nullptr;
  m_mftRuns.ClearDataRunList();
  m_logRuns.ClearDataRunList();
  m_ready = false;
  m_analysed = false;
  m_found.clear();
  m_byParent.clear();
  m_byRecord.clear();
  m_undo.clear();
  m_keptUndoBytes = 0;
}

bool CFindFileFromLogFile::Init(IStorageDevice* device, const CNTFSDataRunList& mftRuns,
                                std::uint32_t sectorsPerCluster, std::int64_t origin) {
  Reset();
  if (device == nullptr || mftRuns.IsEmpty()) return false;
  m_device = device;
  m_mftRuns = mftRuns;
  const std::uint32_t sectorSize = device->GetSectorSize() == 0 ? kDefaultSectorSize : device->GetSectorSize();
  m_geometry.sectorSize = sectorSize;
  m_geometry.sectorsPerCluster = sectorsPerCluster == 0 ? kDefaultSectorsPerCluster : sectorsPerCluster;
  m_geometry.origin = origin;
  // Records are 1 KiB, or one sector on volumes with larger sectors.
  m_geometry.recordSize = std::max<std::uint32_t>(ntfs::kMinRecordSize, sectorSize);
  std::vector<std::uint8_t> bytes;
  if (!ntfs::ReadFileRecord(*device, m_geometry, mftRuns, kLogFileRecord, bytes)) return false;
  const CNTFSFileRecord record(bytes);
  if (!record.IsValid() || !CMetaFileRecordTypeAnalyzer::IsLogFileRecord(record)) return true;
  std::int64_t realSize = 0;
  CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, m_logRuns, false, realSize);
  m_logRuns.Sort();
  m_ready = !m_logRuns.IsEmpty();
  return true;
}

std::uint64_t CFindFileFromLogFile::GetLogPageCount() const {
  const auto clusters = static_cast<std::uint64_t>(std::max<std::int64_t>(m_logRuns.GetTotalClusters(), 0));
  const std::uint64_t clusterBytes = m_geometry.ClusterBytes();
  if (clusterBytes != 0 && clusters > std::numeric_limits<std::uint64_t>::max() / clusterBytes)
    return std::numeric_limits<std::uint64_t>::max() / ntfs::kLogPageSize;
  return clusters * clusterBytes / ntfs::kLogPageSize;
}

bool CFindFileFromLogFile::Analyzer() {
  if (!m_ready || m_analysed) return !m_found.empty() || !m_undo.empty();
  const std::uint64_t pages = GetLogPageCount();
  if (pages < kMinLogPages || pages > kMaxLogBytes / ntfs::kLogPageSize) return false;
  ntfs::LogRecordWalker walker([this](const ntfs::LogRecord& record) { TakeLogRecord(record); });
  // Streamed a few pages at a time: only what is found is kept.
  std::vector<std::uint8_t> chunk(kPagesPerRead * ntfs::kLogPageSize);
  for (std::uint64_t first = ntfs::kFirstLogRecordPage; first < pages; first += kPagesPerRead) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kPagesPerRead, pages - first));
    const quellsy::MutableByteSpan pagesRead = quellsy::MutableByteSpan(chunk).first(count * ntfs::kLogPageSize);
    // Pages that cannot be read stay zero and fail the page test.
    ntfs::ReadThroughRuns(*m_device, m_geometry, m_logRuns, first * ntfs::kLogPageSize, pagesRead);
    for (std::size_t i = 0; i < count; ++i)
      walker.Feed(static_cast<std::size_t>(first + i), pagesRead.subspan(i * ntfs::kLogPageSize, ntfs::kLogPageSize));
  }
  m_analysed = true;
  return !m_found.empty() || !m_undo.empty();
}

void CFindFileFromLogFile::TakeLogRecord(const ntfs::LogRecord& record) {
  if (record.clientDataLength >= kMinImageClientData && IsFileImage(record.bytes)) MineFileRecordImage(record);
  if (record.attributeOffset != 0 && record.undoLength > kMinUndo && record.Undo().size() == record.undoLength)
    KeepUndo(record);
}

void CFindFileFromLogFile::MineFileRecordImage(const ntfs::LogRecord& record) {
  std::vector<std::uint8_t> image(m_geometry.recordSize, 0);
  const std::size_t length =
      std::min<std::size_t>(record.clientDataLength - ntfs::kLogClientHeaderSize, image.size());
  const quellsy::ByteSpan from = record.bytes.subspan(kImageOffset, length);
  std::copy(from.begin(), from.end(), image.begin());
  std::int64_t parent = -1;
  std::unique_ptr<CNTFSFileProperties> properties = BuildFileProperties(image, parent);
  if (!properties) return;
  const std::uint16_t sequenceNumber = quellsy::le16(image, 0x10).value_or(0);
  const std::string name = properties->GetFileName();
  const auto known = m_byParent.find({parent, name});
  if (known != m_byParent.end()) {
    m_found[known->second].properties = std::move(properties);
    m_found[known->second].sequenceNumber = sequenceNumber;
    return;
  }
  if (m_found.size() >= kMaxFoundFiles) return;
  m_byParent[{parent, name}] = m_found.size();
  m_byRecord[{properties->GetFileRecordIndex(), name}] = m_found.size();
  m_found.push_back({parent, std::move(properties), sequenceNumber, false});
}

void CFindFileFromLogFile::KeepUndo(const ntfs::LogRecord& record) {
  const std::int64_t mftNumber = GetFileRecordIndex(record.targetVcn, record.clusterBlockOffset);
  if (mftNumber < 0) return;
  const quellsy::ByteSpan undo = record.Undo();
  if (m_keptUndoBytes + undo.size() > kMaxKeptUndoBytes) return;
  m_keptUndoBytes += undo.size();
  m_undo[mftNumber].push_back(
      {record.lsn, record.recordOffset, record.attributeOffset, std::vector<std::uint8_t>(undo.begin(), undo.end())});
}

std::int64_t CFindFileFromLogFile::GetFileRecordIndex(std::int64_t vcn, std::uint16_t blockOffset) const {
  // With clusters of one or two sectors a log record addresses an MFT record by its own number.
  if (m_geometry.sectorsPerCluster < 3) return vcn;
  const std::uint64_t clusterBytes = m_geometry.ClusterBytes();
  const std::uint64_t recordSize = m_geometry.recordSize;
  const std::uint64_t blockBytes = std::uint64_t{blockOffset} * kBlockBytes;
  if (vcn < 0 || recordSize == 0 || blockBytes % recordSize != 0 || blockBytes >= clusterBytes) return -1;
  const auto perCluster = static_cast<std::int64_t>(clusterBytes / recordSize);
  if (vcn > (std::numeric_limits<std::int64_t>::max() - perCluster) / perCluster) return -1;
  return vcn * perCluster + static_cast<std::int64_t>(blockBytes / recordSize);
}

std::unique_ptr<CNTFSFileProperties> CFindFileFromLogFile::BuildFileProperties(quellsy::ByteSpan image,
                                                                               std::int64_t& parent) const {
  const CNTFSFileRecord record(image);
  if (!record.IsValid() || record.IsFolder() || record.IsExtendFileRecord()) return nullptr;
  CNTFSMultiFileRecord multiRecord(image, -1, nullptr, m_geometry, m_mftRuns, {});
  std::unique_ptr<CNTFSFileProperties> properties(CNTFSFilePropertiesBuilder::BuildFileProperties(
      -1, multiRecord, static_cast<std::uint32_t>(m_geometry.ClusterBytes()), parent));
  if (!properties || properties->GetFileSize() <= 0 || (properties->GetAttribute() & Props::kDirectory) != 0)
    return nullptr;
  // Resident data lives in the image, not on the volume: nothing could read it back.
  IDataRunList* runs = properties->GetDataRunList();
  if (runs == nullptr || runs->GetDataRunListType() != kNonResidentList) return nullptr;
  return properties;
}

void CFindFileFromLogFile::RebuildFileRecord(quellsy::ByteSpan record, RebuiltData& data) const {
  const auto mftNumber = static_cast<std::int64_t>(quellsy::le32(record, 0x2C).value_or(0));
  const auto kept = m_undo.find(mftNumber);
  unsigned seen = 0;
  for (const std::uint32_t offset : ntfs::WalkAttributes(record)) {
    const CNTFSFileRecordAttribute attribute(record, offset);
    if (attribute.GetType() != ntfs::kData) continue;
    if (++seen > kMaxDataAttributes) break;
    if (attribute.IsNamed() || !attribute.IsNonResident()) continue;
    // The attribute on its own, with room to grow up to the record's end as undo data restores it.
    std::vector<std::uint8_t> rebuilt(record.begin() + offset, record.end());
    if (kept != m_undo.end()) {
      const std::size_t minimum = attribute.IsCompressed() ? kMinCompressedUndo : kMinUndo;
      std::vector<const KeptUndo*> chosen;
      for (const KeptUndo& undo : kept->second)
        if (undo.recordOffset == offset && undo.undo.size() > minimum) chosen.push_back(&undo);
      // By place, and for one place the newest last: the state just before the file lost its data.
      std::sort(chosen.begin(), chosen.end(), [](const KeptUndo* a, const KeptUndo* b) {
        return a->attributeOffset != b->attributeOffset ? a->attributeOffset < b->attributeOffset : a->lsn < b->lsn;
      });
      std::size_t end = 0;
      for (const KeptUndo* undo : chosen) {
        if (undo->attributeOffset > rebuilt.size() || rebuilt.size() - undo->attributeOffset < undo->undo.size())
          continue;
        std::copy(undo->undo.begin(), undo->undo.end(), rebuilt.begin() + undo->attributeOffset);
        end = std::max(end, undo->attributeOffset + undo->undo.size());
      }
      if (end != 0) quellsy::FieldWriter(rebuilt).le32(4, static_cast<std::uint32_t>(end));
    }
    const CNTFSFileRecordDataRunsAttribute extent(CNTFSFileRecordAttribute(rebuilt, 0));
    if (!extent.IsValid() || !extent.IsNonResident() || extent.IsNamed()) continue;
    // Each extent's pairs are decoded on their own and placed at its starting VCN.
    if (!extent.GetDataRunList(data.runs)) continue;
    if (extent.GetStartingVCN() == 0) data.realSize = extent.GetRealSize();
  }
}

CFindFileFromLogFile::FoundFile* CFindFileFromLogFile::FindFoundFile(CNTFSFileProperties& properties,
                                                                     std::int64_t parent) {
  const std::string name = properties.GetFileName();
  if (parent != -1) {
    const auto at = m_byParent.find({parent, name});
    return at == m_byParent.end() ? nullptr : &m_found[at->second];
  }
  const auto at = m_byRecord.find({properties.GetFileRecordIndex(), name});
  return at == m_byRecord.end() ? nullptr : &m_found[at->second];
}

void CFindFileFromLogFile::ClaimFile(std::int64_t parentMFTNumber, std::string_view name) {
  // Asked for every file the walk lists: a log that found nothing costs no key.
  if (m_byParent.empty()) return;
  const auto at = m_byParent.find({parentMFTNumber, std::string(name)});
  if (at != m_byParent.end()) m_found[at->second].claimed = true;
}

bool CFindFileFromLogFile::ReplaceFileRecordInfo(quellsy::ByteSpan record, CNTFSFileProperties& properties,
                                                 std::int64_t parentMFTNumber,
                                                 const std::vector<CAttributeListExtendFileRecordInfo>& extensions) {
  return ReplaceFileRecordInfo(CNTFSFileRecord(record), properties, parentMFTNumber, extensions);
}

bool CFindFileFromLogFile::ReplaceFileRecordInfo(const CNTFSFileRecord& base, CNTFSFileProperties& properties,
                                                 std::int64_t parentMFTNumber,
                                                 const std::vector<CAttributeListExtendFileRecordInfo>& extensions) {
  if (!m_analysed) return false;
  if (properties.GetAttribute() == Props::kDirectory || (properties.GetState() & Props::kStateDeleted) == 0)
    return false;
  FoundFile* found = FindFoundFile(properties, parentMFTNumber);
  RebuiltData data;
  if (base.IsValid()) RebuildFileRecord(base.Bytes(), data);
  std::size_t rebuilt = 1;
  for (const CAttributeListExtendFileRecordInfo& extension : extensions) {
    if (rebuilt++ >= kMaxRebuiltRecords) break;
    std::vector<std::uint8_t> bytes;
    if (extension.mftNumber < 0 ||
        !ntfs::ReadFileRecord(*m_device, m_geometry, m_mftRuns, static_cast<std::uint64_t>(extension.mftNumber), bytes))
      continue;
    const CNTFSFileRecord extensionRecord(bytes);
    if (extensionRecord.IsValid()) RebuildFileRecord(extensionRecord.Bytes(), data);
  }
  data.runs.Sort();
  if (found != nullptr) {
    found->claimed = true;
    if (!data.runs.IsEmpty())
      SetRuns(properties, data.runs);
    else
      properties.SetDataRunList(found->properties->GetDataRunList());
    properties.SetFileSize(found->properties->GetFileSize());
    return true;
  }
  if (data.runs.IsEmpty()) return true;
  const std::int64_t allocated = data.runs.GetTotalClusters() * static_cast<std::int64_t>(m_geometry.ClusterBytes());
  // The restored sizes give the exact length; without them the file is taken to fill its clusters.
  properties.SetFileSize(data.realSize > 0 && data.realSize <= allocated ? data.realSize : allocated);
  SetRuns(properties, data.runs);
  return true;
}
