#include "NTFSLib/CNTFSFileRecordAttribute.h"

#include <algorithm>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "Utility/TextConvert.h"

using quellsy::ByteSpan;

namespace {
constexpr std::size_t kMinAttribute = 16;
constexpr std::size_t kNonResidentHeader = 0x40;
constexpr std::size_t kFileNameUnits = 0x5A;

std::vector<std::uint16_t> UnitsAt(ByteSpan bytes, std::size_t offset, std::size_t count) {
  std::vector<std::uint16_t> units;
  if (offset > bytes.size()) return units;
  count = std::min(count, (bytes.size() - offset) / 2);
  units.reserve(count);
  for (std::size_t i = 0; i < count; ++i) units.push_back(quellsy::le16(bytes, offset + 2 * i).value_or(0));
  return units;
}
}  // namespace

CNTFSFileRecordAttribute::CNTFSFileRecordAttribute(ByteSpan record, std::size_t offset) {
  if (offset > record.size() || record.size() - offset < kMinAttribute) return;
  const std::size_t left = record.size() - offset;
  const std::size_t length = std::min<std::size_t>(quellsy::le32(record, offset + 4).value_or(0), left);
  if (length < kMinAttribute) return;
  m_bytes = record.subspan(offset, length);
}

bool CNTFSFileRecordAttribute::IsValidAttribute(ByteSpan record, std::size_t offset) {
  if (offset > record.size() || record.size() - offset < kMinAttribute) return false;
  const std::uint32_t length = quellsy::le32(record, offset + 4).value_or(0);
  if (length < kMinAttribute || length > record.size() - offset) return false;
  const CNTFSFileRecordAttribute a(record, offset);
  if (a.IsNonResident()) {
    if (length < kNonResidentHeader || a.GetMappingPairsOffset() > length) return false;
    if (a.GetType() == quellsy::ntfs::kData &&
        !CNTFSDataRunList::IsValid(a.Bytes().subspan(a.GetMappingPairsOffset())))
      return false;
  } else if (std::size_t{a.GetContentOffset()} + a.GetContentLength() > length) {
    return false;
  }
  if (a.GetType() == quellsy::ntfs::kFileName) {
    const CNTFSFileRecordFileNameAttribute name(a);
    if (a.IsNonResident() || length < kFileNameUnits) return false;
    // Any character may stand in a name: "/" and "\" too, which a damaged or foreign volume may hold; the
    // copy-out makes each name a safe one. Only the name's length is checked, against the attribute.
    if (kFileNameUnits + 2 * std::size_t{name.GetFileNameLength()} > a.Bytes().size()) return false;
  }
  return true;
}

std::vector<std::uint16_t> CNTFSFileRecordAttribute::GetNameUnits() const {
  if (!IsNamed() || std::size_t{GetNameOffset()} + 2u * GetNameLength() > m_bytes.size()) return {};
  return UnitsAt(m_bytes, GetNameOffset(), GetNameLength());
}

ByteSpan CNTFSFileRecordAttribute::GetContent() const {
  if (IsNonResident()) return {};
  const std::size_t offset = GetContentOffset();
  const std::size_t length = GetContentLength();
  if (offset > m_bytes.size() || m_bytes.size() - offset < length) return {};
  return m_bytes.subspan(offset, length);
}

bool CNTFSFileRecordFileNameAttribute::IsValidFileNameAttribute(ByteSpan record, std::size_t offset) {
  return IsValidAttribute(record, offset) && CNTFSFileRecordAttribute(record, offset).GetType() == quellsy::ntfs::kFileName;
}

std::uint64_t CNTFSFileRecordFileNameAttribute::GetParentMftNumber() const {
  return quellsy::ntfs::MftNumberOf(GetParentReference());
}

std::uint8_t CNTFSFileRecordFileNameAttribute::GetNameSpace() const { return std::min<std::uint8_t>(U8(0x59), 4); }

std::vector<std::uint16_t> CNTFSFileRecordFileNameAttribute::GetFileNameUnits() const {
  return UnitsAt(Bytes(), kFileNameUnits, GetFileNameLength());
}

std::string CNTFSFileRecordFileNameAttribute::GetFileName() const {
  // Straight from the record's bytes (every listed file's name passes here): the whole units that fit.
  const ByteSpan bytes = Bytes();
  if (kFileNameUnits > bytes.size()) return {};
  const std::size_t units = std::min<std::size_t>(GetFileNameLength(), (bytes.size() - kFileNameUnits) / 2);
  return quellsy::Utf16LeToUtf8(bytes.subspan(kFileNameUnits, 2 * units), quellsy::InvalidUtf16::kReplace)
      .value_or(std::string());
}

ByteSpan CNTFSFileRecordDataRunsAttribute::GetMappingPairs() const {
  if (!IsNonResident() || GetMappingPairsOffset() > Bytes().size()) return {};
  return Bytes().subspan(GetMappingPairsOffset());
}

bool CNTFSFileRecordDataRunsAttribute::GetDataRunList(CNTFSDataRunList& list) const {
  return list.AddDataRunsfromBuffer(GetMappingPairs(), GetStartingVCN());
}

std::uint32_t CNTFSFileRecordDataRunsAttribute::GetSectorsPerCluster() const {
  return SectorsPerClusterFromSize(GetInitializedSize(), CNTFSDataRunList::GetTotalClusters(GetMappingPairs()));
}

bool CNTFSFileRecordIndexRootAttribute::IsValidIndexRoot() const {
  if (!IsValid() || IsNonResident() || GetContent().size() < 0x20) return false;
  return std::uint64_t{GetEntriesSize()} + 16 <= GetContentLength();
}

std::uint32_t CNTFSFileRecordIndexRootAttribute::GetFirstEntryOffset() const {
  return quellsy::le32(GetContent(), 0x10).value_or(0);
}

std::uint32_t CNTFSFileRecordIndexRootAttribute::GetEntriesSize() const {
  return quellsy::le32(GetContent(), 0x14).value_or(0);
}

std::int64_t CNTFSFileRecordIndexRootAttribute::GetMFTFileRecordNumberfrom0x90() const {
  if (!IsValidIndexRoot()) return -1;
  const ByteSpan content = GetContent();
  const std::uint32_t total = GetEntriesSize();
  if (total < 16) return -1;
  // Entries lie from the first-entry offset over the entries' size less the node header.
  const std::size_t start = std::size_t{0x10} + GetFirstEntryOffset();
  const std::size_t end = std::min<std::size_t>(content.size(), std::size_t{0x10} + 16 + (total - 16));
  std::int64_t parent = -1;
  for (std::size_t at = start; at < end;) {
    const ByteSpan entry = content.subspan(at, std::min<std::size_t>(end - at, 0x52));
    const std::uint16_t length = quellsy::le16(entry, 0x08).value_or(0);
    const std::uint16_t flags = quellsy::le16(entry, 0x0C).value_or(0);
    if (length == 0 || (flags & 2) != 0 || entry.size() < 0x52) break;
    if (flags != 1) {
      if (quellsy::u8(entry, 0x50).value_or(0) == 0) break;
      if (quellsy::le64(entry, 0x40).value_or(0) > quellsy::le64(entry, 0x38).value_or(0)) break;
    }
    const auto number = static_cast<std::int64_t>(quellsy::ntfs::MftNumberOf(quellsy::le64(entry, 0x10).value_or(0)));
    if (parent != -1 && parent != number) return -1;
    parent = number;
    at += length;
  }
  return parent;
}

std::uint32_t SectorsPerClusterFromSize(std::int64_t size, std::int64_t clusters) {
  if (size < 1 || clusters < 1) return 0;
  const std::uint64_t sectorSize = NTFSPublicFunction::DeviceSectorSize();
  const std::uint64_t perCluster = (static_cast<std::uint64_t>(size) + static_cast<std::uint64_t>(clusters) - 1) /
                                   static_cast<std::uint64_t>(clusters);
  const std::uint64_t q = (perCluster + sectorSize - 1) / sectorSize;
  for (std::uint32_t p = 1; p <= 128; p *= 2)
    if (q <= p) return p;
  return 0;
}
