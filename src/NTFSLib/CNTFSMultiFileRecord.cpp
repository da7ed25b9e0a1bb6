#include "NTFSLib/CNTFSMultiFileRecord.h"

#include <algorithm>

#include "NTFSLib/NTFSLayout.h"
#include "include/IStorageDevice.h"

namespace ntfs = quellsy::ntfs;

namespace {
constexpr std::size_t kListEntryMinimum = 0x1A;
}

CNTFSMultiFileRecord::CNTFSMultiFileRecord(quellsy::ByteSpan record, std::int64_t recordSector,
                                           IStorageDevice* device, const NTFSVolumeGeometry& geometry,
                                           const CNTFSDataRunList& mftRuns,
                                           std::vector<CAttributeListExtendFileRecordInfo> extensions)
    : CNTFSMultiFileRecord(std::make_unique<CNTFSFileRecord>(record), nullptr, recordSector, device, geometry, mftRuns,
                           std::move(extensions)) {}

CNTFSMultiFileRecord::CNTFSMultiFileRecord(const CNTFSFileRecord& base, std::int64_t recordSector,
                                           IStorageDevice* device, const NTFSVolumeGeometry& geometry,
                                           const CNTFSDataRunList& mftRuns,
                                           std::vector<CAttributeListExtendFileRecordInfo> extensions)
    : CNTFSMultiFileRecord(nullptr, &base, recordSector, device, geometry, mftRuns, std::move(extensions)) {}

CNTFSMultiFileRecord::CNTFSMultiFileRecord(std::unique_ptr<CNTFSFileRecord> own, const CNTFSFileRecord* borrowed,
                                           std::int64_t recordSector, IStorageDevice* device,
                                           const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                                           std::vector<CAttributeListExtendFileRecordInfo> extensions)
    : m_ownBase(std::move(own)),
      m_base(borrowed != nullptr ? borrowed : m_ownBase.get()),
      m_recordSector(recordSector),
      m_device(device),
      m_geometry(geometry),
      m_mftRuns(mftRuns),
      m_extensions(std::move(extensions)),
      m_loaded(m_extensions.size()),
      m_tried(m_extensions.size(), false) {}

std::vector<std::int64_t> CNTFSMultiFileRecord::ParseAttributeList(quellsy::ByteSpan list) {
  std::vector<std::int64_t> numbers;
  for (std::size_t at = 0; list.size() - at >= kListEntryMinimum;) {
    const std::uint32_t type = quellsy::le32(list, at).value_or(0);
    const std::uint16_t length = quellsy::le16(list, at + 4).value_or(0);
    if (type == 0 || length == 0) break;
    const auto number = static_cast<std::int64_t>(ntfs::MftNumberOf(quellsy::le64(list, at + 0x10).value_or(0)));
    if (std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
    if (list.size() - at < length) break;
    at += length;
  }
  return numbers;
}

std::vector<CAttributeListExtendFileRecordInfo> CNTFSMultiFileRecord::InitExtendFileRecord(
    quellsy::ByteSpan record, std::int64_t recordSector, IStorageDevice& device, const NTFSVolumeGeometry& geometry,
    const CNTFSDataRunList& mftRuns) {
  return InitExtendFileRecord(CNTFSFileRecord(record), recordSector, device, geometry, mftRuns);
}

std::vector<CAttributeListExtendFileRecordInfo> CNTFSMultiFileRecord::InitExtendFileRecord(
    const CNTFSFileRecord& base, std::int64_t recordSector, IStorageDevice& device, const NTFSVolumeGeometry& geometry,
    const CNTFSDataRunList& mftRuns) {
  std::vector<CAttributeListExtendFileRecordInfo> result;
  if (!base.IsValid()) return result;
  const CNTFSFileRecordDataRunsAttribute list(base.FindAttibute(ntfs::kAttributeList, 0));
  if (!list.IsValid()) return result;
  std::vector<std::uint8_t> bytes;
  quellsy::ByteSpan entries;
  if (list.IsNonResident()) {
    if (!ntfs::ReadNonResidentAttribute(device, geometry, list, ntfs::kMaxAttributeListBytes, bytes)) return result;
    entries = quellsy::ByteSpan(bytes).first(static_cast<std::size_t>(list.GetInitializedSize()));
  } else {
    entries = list.GetContent();
  }
  const std::int64_t basePosition = recordSector * std::int64_t{geometry.sectorSize};
  for (const std::int64_t number : ParseAttributeList(entries)) {
    CAttributeListExtendFileRecordInfo info;
    info.mftNumber = number;
    info.position = ntfs::FileRecordPosition(geometry, mftRuns, static_cast<std::uint64_t>(number));
    if (info.position < 0 || info.position == basePosition) continue;
    if (base.HasXPNumberOfthisMFTRecord() && number == std::int64_t{base.GetXPNumberOfthisMFTRecord()}) continue;
    info.firstSector = info.position / geometry.sectorSize;
    result.push_back(info);
  }
  return result;
}

std::int64_t CNTFSMultiFileRecord::GetFileRecordStartSectorfromMFTNumber(std::int64_t mftNumber,
                                                                        const NTFSVolumeGeometry& geometry,
                                                                        const CNTFSDataRunList& mftRuns) {
  if (mftNumber < 0) return -1;
  const std::int64_t position = ntfs::FileRecordPosition(geometry, mftRuns, static_cast<std::uint64_t>(mftNumber));
  return position < 0 ? -1 : position / geometry.sectorSize;
}

bool CNTFSMultiFileRecord::HasSameExtendFileRecordInfoList(std::int64_t mftNumber) const {
  return std::any_of(m_extensions.begin(), m_extensions.end(),
                     [&](const CAttributeListExtendFileRecordInfo& e) { return e.mftNumber == mftNumber; });
}

const CNTFSFileRecord* CNTFSMultiFileRecord::Extension(std::size_t i) {
  if (!m_tried[i]) {
    m_tried[i] = true;
    std::vector<std::uint8_t> bytes;
    if (m_device != nullptr) {
      // Read by bytes at the record's own size, whatever the device's sector size.
      ntfs::ReadFileRecord(*m_device, m_geometry, m_mftRuns, static_cast<std::uint64_t>(m_extensions[i].mftNumber),
                           bytes);
      auto record = std::make_unique<CNTFSFileRecord>(quellsy::ByteSpan(bytes));
      // A record reused by another file no longer belongs to this one.
      const bool belongs = record->IsValid() && record->IsExtendFileRecord() &&
                           (!m_base->HasXPNumberOfthisMFTRecord() ||
                            record->GetBaseFileRecordNumber() == m_base->GetXPNumberOfthisMFTRecord());
      if (belongs) m_loaded[i] = std::move(record);
    }
  }
  return m_loaded[i].get();
}

std::optional<CNTFSMultiFileRecord::FoundAttribute> CNTFSMultiFileRecord::FindAttibute(std::uint32_t type,
                                                                                       unsigned n) {
  if (!IsValid()) return std::nullopt;
  // One walk of the record's attributes in the common case, the attribute found in it; the count is needed only
  // to go on into the next record.
  const auto inRecord = [&](const CNTFSFileRecord& record, std::int64_t sector) -> std::optional<FoundAttribute> {
    const std::uint32_t offset = record.GetAttributeOffset(type, n);
    if (offset != CNTFSFileRecord::kNoAttribute)
      return FoundAttribute{CNTFSFileRecordAttribute(record.Bytes(), offset), offset, sector};
    n -= record.GetAttibuteCountofSpecifiedType(type);
    return std::nullopt;
  };
  if (auto found = inRecord(*m_base, m_recordSector)) return found;
  for (std::size_t i = 0; i < m_extensions.size(); ++i) {
    const CNTFSFileRecord* record = Extension(i);
    if (record == nullptr) continue;
    if (auto found = inRecord(*record, m_extensions[i].firstSector)) return found;
  }
  return std::nullopt;
}
