#include "ExFat/CEFDTAnalyze.h"

#include <algorithm>

#include "ExFat/ExFatDirEntry.h"
#include "Utility/TextConvert.h"

using quellsy::ByteSpan;
using quellsy::FieldReader;

namespace {

constexpr std::uint8_t kTypeBits = 0x60;
constexpr std::uint8_t kSecondaryTypeBits = 0x40;
constexpr std::uint8_t kMinSecondaries = 2;
constexpr std::uint8_t kMaxSecondaries = 18;
constexpr std::uint8_t kMaxTenMs = 199;
constexpr std::uint8_t kNoFatChainFlag = 0x02;
constexpr std::uint32_t kMaxFirstCluster = 0xFFFFFFF6;
constexpr std::uint64_t kMaxContiguousHalfSum = 0x7FFFFFFA;
// The format allows 11 label characters; some writers fill the reserved words too, up to 15.
constexpr std::uint32_t kMaxWrittenLabelChars = 15;
constexpr std::size_t kNameOffset = 2;

bool IsPlausibleStamp(std::uint32_t stamp) {
  const std::uint32_t time = stamp & 0xFFFF;
  const std::uint32_t date = stamp >> 16;
  const std::uint32_t day = date & 0x1F;
  const std::uint32_t month = (date >> 5) & 0x0F;
  return day != 0 && month >= 1 && month <= 12 && (time >> 11) < 24 && ((time >> 5) & 0x3F) < 60 &&
         (time & 0x1F) < 30;
}

// Every character below 256 may appear in a name (up to the first zero one when stopAtZero).
bool AllowedCharacters(FieldReader& entry, std::size_t first, std::size_t count, bool stopAtZero) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t c = entry.le16(first + 2 * i);
    if (c == 0 && stopAtZero) break;
    if (c < 256 && g_u8FileNameCheckTable[c] == 0) return false;
  }
  return true;
}

}  // namespace

void CEFDTAnalyze::PrepareAnayze(std::uint32_t sectorShift, std::uint32_t clusterShift, std::uint64_t totalSectors) {
  m_sectorShift = sectorShift;
  m_clusterShift = clusterShift;
  m_totalSectors = totalSectors;
  m_bitmapCluster = 0;
  m_bitmapLength = 0;
  ClearRecord();
}

void CEFDTAnalyze::KeepBitmap(ByteSpan entry) {
  if (m_bitmapCluster != 0) return;
  FieldReader field(entry);
  const std::uint32_t first = field.le32(20);
  const std::uint64_t length = field.le64(24);
  if (!field.ok() || first < 2) return;
  m_bitmapCluster = first;
  m_bitmapLength = length;
}

void CEFDTAnalyze::Reset() { ClearRecord(); }

void CEFDTAnalyze::ClearRecord() {
  m_state = kNone;
  m_remaining = 0;
  m_inUse = 0;
  m_nameLength = 0;
  m_examined = 0;
  m_info = _tagFileBaseInfo{};
  m_nameUnits.clear();
}

std::vector<_tagFileBaseInfo> CEFDTAnalyze::TakeRecords() {
  std::vector<_tagFileBaseInfo> records;
  records.swap(m_records);
  return records;
}

bool CEFDTAnalyze::Analyze(ByteSpan buffer, std::int64_t sector) {
  const std::size_t entries = buffer.size() / exfat::kEntrySize;
  for (std::size_t i = 0; i < entries; ++i) {
    const ByteSpan entry = buffer.subspan(i * exfat::kEntrySize, exfat::kEntrySize);
    bool plausible = true;
    switch (entry[0]) {
      case exfat::kTypeLabel:
      case exfat::kTypeLabel & ~exfat::kInUse:
        plausible = SetVloumeLabel(entry);
        break;
      case exfat::kTypeFile:
      case exfat::kTypeFile & ~exfat::kInUse:
        plausible = SetBaseData(entry, sector + static_cast<std::int64_t>((i * exfat::kEntrySize) >> m_sectorShift));
        break;
      case exfat::kTypeStream:
      case exfat::kTypeStream & ~exfat::kInUse:
        plausible = SetStreamData(entry);
        break;
      case exfat::kTypeName:
      case exfat::kTypeName & ~exfat::kInUse:
        plausible = SetNameData(entry);
        break;
      case exfat::kTypeBitmap:
        KeepBitmap(entry);
        break;
      case exfat::kTypeUpcase:
        break;
      default:  // the end of the directory (0x00) and every type this engine does not read
        plausible = false;
        break;
    }
    ++m_examined;
    if (!plausible) return false;
  }
  return true;
}

bool CEFDTAnalyze::SetBaseData(ByteSpan entry, std::int64_t sector) {
  ClearRecord();
  FieldReader field(entry);
  const std::uint8_t type = field.u8(0);
  const std::uint8_t secondaries = field.u8(1);
  const std::uint16_t attributes = field.le16(4);
  const std::uint16_t reserved = field.le16(6);
  const std::uint32_t creation = field.le32(8);
  const std::uint32_t modification = field.le32(12);
  const std::uint32_t access = field.le32(16);
  const std::uint8_t creationTenMs = field.u8(20);
  const std::uint8_t modificationTenMs = field.u8(21);
  const ByteSpan tail = field.bytes(25, 7);
  if (!field.ok() || (type & kTypeBits) != 0) return false;
  if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) return false;
  if (!IsPlausibleStamp(creation) || !IsPlausibleStamp(modification) || !IsPlausibleStamp(access)) return false;
  if (creationTenMs > kMaxTenMs || modificationTenMs > kMaxTenMs) return false;
  if (reserved != 0 || std::any_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b != 0; })) return false;
  m_state = kFileRead;
  m_inUse = type & exfat::kInUse;
  m_remaining = secondaries;
  m_info.inUse = m_inUse != 0 ? 1 : 0;
  m_info.attributes = attributes;
  m_info.creationTime = creation;
  m_info.modificationTime = modification;
  m_info.lastAccessTime = access;
  m_info.metadataSector = sector;
  return true;
}

bool CEFDTAnalyze::SetStreamData(ByteSpan entry) {
  FieldReader field(entry);
  const std::uint8_t type = field.u8(0);
  const std::uint8_t flags = field.u8(1);
  const std::uint8_t reserved1 = field.u8(2);
  const std::uint8_t nameLength = field.u8(3);
  const std::uint16_t reserved2 = field.le16(6);
  const std::uint64_t validLength = field.le64(8);
  const std::uint32_t reserved3 = field.le32(16);
  const std::uint32_t firstCluster = field.le32(20);
  const std::uint64_t dataLength = field.le64(24);
  if (!field.ok() || (type & kTypeBits) != kSecondaryTypeBits) return false;
  if (reserved1 != 0 || reserved2 != 0 || reserved3 != 0) return false;
  if (firstCluster == 1 || firstCluster > kMaxFirstCluster) return false;
  if ((dataLength >> m_sectorShift) >= m_totalSectors || (validLength >> m_sectorShift) >= m_totalSectors) return false;
  const bool contiguous = (flags & kNoFatChainFlag) != 0;
  if (firstCluster != 0 && contiguous) {
    if (((dataLength >> m_clusterShift) + firstCluster) / 2 > kMaxContiguousHalfSum) return false;
    if ((validLength >> m_clusterShift) + firstCluster >= kMaxFirstCluster) return false;
  }
  if (m_state != kFileRead || m_examined != 1 || (type & exfat::kInUse) != m_inUse) {
    ClearRecord();
    return true;
  }
  m_state = kStreamRead;
  --m_remaining;
  // Checked against the device's size above, so it fits.
  m_info.dataLength = static_cast<std::int64_t>(dataLength);
  m_info.firstCluster = firstCluster;
  m_info.noFatChain = contiguous ? 1 : 0;
  m_nameLength = nameLength;
  return true;
}

bool CEFDTAnalyze::SetNameData(ByteSpan entry) {
  FieldReader field(entry);
  const std::uint8_t type = field.u8(0);
  const std::uint8_t flags = field.u8(1);
  const std::uint16_t first = field.le16(kNameOffset);
  if (!field.ok() || (type & kTypeBits) != kSecondaryTypeBits || flags != 0 || first == 0) return false;
  if (!AllowedCharacters(field, kNameOffset, exfat::kNameCharsPerEntry, true)) return false;
  if (m_state < kStreamRead || m_state != m_examined || (type & exfat::kInUse) != m_inUse) {
    ClearRecord();
    return true;
  }
  for (std::size_t i = 0; i < exfat::kNameCharsPerEntry; ++i) m_nameUnits.push_back(field.le16(kNameOffset + 2 * i));
  ++m_state;
  if (--m_remaining == 0) CompleteRecord();
  return true;
}

void CEFDTAnalyze::CompleteRecord() {
  // The name ends at its first zero character or at the length its stream entry gives, whichever comes first.
  auto end = std::find(m_nameUnits.begin(), m_nameUnits.end(), std::uint16_t{0});
  if (static_cast<std::size_t>(end - m_nameUnits.begin()) > m_nameLength) end = m_nameUnits.begin() + m_nameLength;
  m_nameUnits.erase(end, m_nameUnits.end());
  // Unpaired surrogates become "_", so a name is always valid UTF-8.
  m_info.name = quellsy::Utf16LeToUtf8(m_nameUnits, quellsy::InvalidUtf16::kReplace).value_or("");
  m_records.push_back(std::move(m_info));
  ClearRecord();
}

bool CEFDTAnalyze::SetVloumeLabel(ByteSpan entry) {
  FieldReader field(entry);
  const std::uint8_t type = field.u8(0);
  const std::uint8_t count = field.u8(1);
  if (!field.ok() || (type & kTypeBits) != 0 || count > kMaxWrittenLabelChars) return false;
  if (!AllowedCharacters(field, kNameOffset, count, false)) return false;
  // Everything after the counted characters is zero: for labels of up to 11 characters that is the rest of the
  // label field and both reserved words.
  const ByteSpan rest = field.bytes(kNameOffset + 2 * std::size_t{count}, exfat::kEntrySize - kNameOffset - 2 * count);
  return field.ok() && std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; });
}
