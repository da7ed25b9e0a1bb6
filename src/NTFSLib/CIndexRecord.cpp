#include "NTFSLib/CIndexRecord.h"

#include <array>
#include <cstring>
#include <vector>

#include "NTFSLib/NTFSLayout.h"

using quellsy::ByteSpan;
namespace ntfs = quellsy::ntfs;

namespace {
constexpr std::size_t kNodeHeader = 0x18;
constexpr std::size_t kEntryKey = 0x10;
}  // namespace

bool CStandardIndexHeader::IsValid(ByteSpan buffer) {
  if (buffer.size() < 0x28 || std::memcmp(buffer.data(), "INDX", 4) != 0) return false;
  quellsy::FieldReader r(buffer);
  const std::uint16_t usaOffset = r.le16(0x04);
  const std::uint16_t usaCount = r.le16(0x06);
  const std::uint32_t firstEntry = r.le32(0x18);
  const std::uint32_t entriesSize = r.le32(0x1C);
  const std::uint32_t allocated = r.le32(0x20);
  if (!r.ok() || allocated > buffer.size() || entriesSize > allocated) return false;
  if (usaCount > 16 || usaCount == 0 || usaCount - 1u > buffer.size() / ntfs::kFixupStride) return false;
  if (static_cast<std::uint16_t>(usaCount - 1u) !=
      static_cast<std::uint16_t>((std::uint64_t{allocated} + firstEntry) / ntfs::kFixupStride))
    return false;
  return usaOffset >= 40 && usaOffset <= 256;
}

ntfs::UpdateSequence CIndexRecord::SequenceOf(ByteSpan buffer) {
  ntfs::UpdateSequence sequence;
  sequence.offset = quellsy::le16(buffer, 0x04).value_or(0);
  const std::size_t count = quellsy::le16(buffer, 0x06).value_or(0);
  sequence.strides = count == 0 ? 0 : count - 1;
  return sequence;
}

bool CIndexRecord::IsValidUpdateSequence(ByteSpan buffer) {
  return CStandardIndexHeader::IsValid(buffer) && SequenceOf(buffer).Matches(buffer);
}

bool CIndexRecord::UnfixupIndexRecord(quellsy::MutableByteSpan buffer) {
  return IsValidUpdateSequence(buffer) && SequenceOf(buffer).Apply(buffer);
}

bool CIndexRecord::FixupIndexRecord(quellsy::MutableByteSpan buffer) {
  return CStandardIndexHeader::IsValid(buffer) && SequenceOf(buffer).Restore(buffer);
}

bool CIndexRecord::CheckIndexEntries(ByteSpan buffer) {
  quellsy::FieldReader r(buffer);
  const std::uint64_t start = std::uint64_t{r.le32(0x18)} + kNodeHeader;
  const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{r.le32(0x1C)} + kNodeHeader, buffer.size());
  if (!r.ok()) return false;
  std::uint64_t firstParent = 0;
  bool haveParent = false;
  for (std::uint64_t at = start; at < end;) {
    const ByteSpan entry = buffer.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(end - at));
    const auto length = quellsy::le16(entry, 0x08);
    const auto flags = quellsy::le16(entry, 0x0C);
    if (!length || !flags) return false;
    if (*length == 0 || (*flags & 2) != 0) return true;
    if (*flags != 1) {
      const auto parent = quellsy::le64(entry, kEntryKey);
      const auto allocated = quellsy::le64(entry, kEntryKey + 0x28);
      const auto real = quellsy::le64(entry, kEntryKey + 0x30);
      if (!parent || !allocated || !real || *real > *allocated) return false;
      if (!haveParent) {
        firstParent = *parent;
        haveParent = true;
      } else if (*parent != firstParent) {
        return false;
      }
    }
    at += *length;
  }
  return true;
}

bool CIndexRecord::IsValid(ByteSpan buffer) {
  if (!CStandardIndexHeader::IsValid(buffer)) return false;
  const auto sequence = SequenceOf(buffer);
  if (!sequence.Matches(buffer)) return false;
  std::vector<std::uint8_t> scratch(buffer.begin(), buffer.end());
  sequence.Apply(scratch);
  return CheckIndexEntries(scratch);
}

std::int64_t CIndexRecord::GetVCN(ByteSpan buffer) {
  return static_cast<std::int64_t>(quellsy::le64(buffer, 0x10).value_or(0));
}

std::int64_t CIndexRecord::GetLogFileSequenceNumber(ByteSpan buffer) {
  return static_cast<std::int64_t>(quellsy::le64(buffer, 0x08).value_or(0));
}

std::uint32_t CIndexRecord::GetParentFileReference(ByteSpan buffer) {
  if (!CStandardIndexHeader::IsValid(buffer)) return 0xFFFFFFFF;
  const std::uint64_t first = std::uint64_t{quellsy::le32(buffer, 0x18).value_or(0)} + kNodeHeader;
  if (first > buffer.size()) return 0xFFFFFFFF;
  const auto parent = quellsy::le64(buffer, static_cast<std::size_t>(first) + kEntryKey);
  return parent ? static_cast<std::uint32_t>(*parent) : 0xFFFFFFFF;
}
