#include "NTFSLib/CNTFSFileRecord.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "NTFSLib/NTFSLayout.h"

using quellsy::ByteSpan;
using quellsy::MutableByteSpan;
namespace ntfs = quellsy::ntfs;

namespace quellsy::ntfs {
std::vector<std::uint32_t> WalkAttributes(ByteSpan record, bool* clean) {
  std::vector<std::uint32_t> offsets;
  bool whole = true;
  WalkAttributes(record, whole, [&](std::uint32_t off) {
    offsets.push_back(off);
    return true;
  });
  if (clean != nullptr) *clean = whole;
  return offsets;
}
}  // namespace quellsy::ntfs

bool CNTFSFileRecordHeader::IsValid(ByteSpan buffer) {
  if (buffer.size() < ntfs::kMinRecordSize || buffer.size() % ntfs::kFixupStride != 0) return false;
  if (std::memcmp(buffer.data(), "FILE", 4) != 0) return false;
  quellsy::FieldReader r(buffer);
  const std::uint16_t usaOffset = r.le16(0x04);
  const std::uint16_t usaCount = r.le16(0x06);
  const std::uint32_t allocated = r.le32(0x1C);
  if (!r.ok() || usaCount > 16 || usaCount == 0) return false;
  if (allocated == 0 || allocated % ntfs::kMinRecordSize != 0 || allocated > ntfs::kMaxRecordSize ||
      allocated > buffer.size())
    return false;
  if (usaCount - 1u > allocated / ntfs::kFixupStride) return false;
  return usaOffset >= 42 && usaOffset <= 256;
}

std::size_t CNTFSFileRecordHeader::RecordSize(ByteSpan buffer) { return quellsy::le32(buffer, 0x1C).value_or(0); }

ntfs::UpdateSequence CNTFSFileRecordHeader::SequenceOf(ByteSpan buffer) {
  const std::size_t count = quellsy::le16(buffer, 0x06).value_or(0);
  ntfs::UpdateSequence sequence;
  sequence.offset = quellsy::le16(buffer, 0x04).value_or(0);
  sequence.strides = count == 0 ? 0 : std::min(count - 1, RecordSize(buffer) / ntfs::kFixupStride);
  return sequence;
}

bool CNTFSFileRecord::IsValid(ByteSpan buffer) {
  if (!CNTFSFileRecordHeader::IsValid(buffer)) return false;
  std::array<std::uint8_t, ntfs::kMaxRecordSize> scratch;  // only its first `size` bytes are used
  const std::size_t size = CNTFSFileRecordHeader::RecordSize(buffer);
  std::memcpy(scratch.data(), buffer.data(), size);
  const MutableByteSpan record(scratch.data(), size);
  const auto sequence = CNTFSFileRecordHeader::SequenceOf(buffer);
  if (sequence.Matches(record)) sequence.Apply(record);
  bool clean = false;
  const auto offsets = ntfs::WalkAttributes(record, &clean);
  if (!clean) return false;
  return std::all_of(offsets.begin(), offsets.end(), [&](std::uint32_t off) {
    return CNTFSFileRecordAttribute::IsValidAttribute(record, off);
  });
}

bool CNTFSFileRecord::IsValidUpdateSequence(ByteSpan buffer) {
  return CNTFSFileRecordHeader::IsValid(buffer) && CNTFSFileRecordHeader::SequenceOf(buffer).Matches(buffer);
}

bool CNTFSFileRecord::UnfixupFileRecord(MutableByteSpan buffer) {
  if (!IsValidUpdateSequence(buffer)) return false;
  return CNTFSFileRecordHeader::SequenceOf(buffer).Apply(buffer);
}

bool CNTFSFileRecord::FixupFileRecord(MutableByteSpan buffer) {
  if (!CNTFSFileRecordHeader::IsValid(buffer)) return false;
  return CNTFSFileRecordHeader::SequenceOf(buffer).Restore(buffer);
}

CNTFSFileRecord::CNTFSFileRecord(std::uint8_t* buffer, std::size_t size, bool copy) {
  if (buffer == nullptr) return;
  const ByteSpan bytes(buffer, size);
  if (!CNTFSFileRecordHeader::IsValid(bytes)) return;
  const std::size_t recordSize = CNTFSFileRecordHeader::RecordSize(bytes);
  const auto sequence = CNTFSFileRecordHeader::SequenceOf(bytes);
  if (copy) {
    m_copy.assign(buffer, buffer + recordSize);
    m_record = m_copy;
  } else {
    m_record = MutableByteSpan(buffer, recordSize);
  }
  if (sequence.Matches(m_record)) m_fixedUp = sequence.Apply(m_record);
  if (!TakeAttributes()) Drop();
}

bool CNTFSFileRecord::TakeAttributes() {
  bool clean = false;
  m_offsetCount = 0;
  ntfs::WalkAttributes(m_record, clean, [this](std::uint32_t off) {
    if (m_offsetCount == m_offsets.size() || !CNTFSFileRecordAttribute::IsValidAttribute(m_record, off)) return false;
    m_offsets[m_offsetCount++] = static_cast<std::uint16_t>(off);
    return true;
  });
  return clean;
}

void CNTFSFileRecord::Drop() {
  if (m_fixedUp && m_copy.empty()) CNTFSFileRecordHeader::SequenceOf(m_record).Restore(m_record);
  m_fixedUp = false;
  m_copy.clear();
  m_record = {};
  m_offsetCount = 0;
}

CNTFSFileRecord::CNTFSFileRecord(ByteSpan buffer)
    : CNTFSFileRecord(const_cast<std::uint8_t*>(buffer.data()), buffer.size(), true) {}

CNTFSFileRecord::~CNTFSFileRecord() {
  if (m_fixedUp && m_copy.empty()) CNTFSFileRecordHeader::SequenceOf(m_record).Restore(m_record);
}

std::vector<std::uint32_t> CNTFSFileRecord::AttributeOffsets() const { return {Offsets().begin(), Offsets().end()}; }

CNTFSFileRecordAttribute CNTFSFileRecord::FindAttibute(std::uint32_t type, unsigned n) const {
  const std::uint32_t offset = GetAttributeOffset(type, n);
  if (offset == kNoAttribute) return {};
  return CNTFSFileRecordAttribute(m_record, offset);
}

std::uint32_t CNTFSFileRecord::GetAttributeOffset(std::uint32_t type, unsigned n) const {
  for (const std::uint32_t off : Offsets()) {
    if (quellsy::le32(m_record, off).value_or(0) != type) continue;
    if (n == 0) return off;
    --n;
  }
  return kNoAttribute;
}

unsigned CNTFSFileRecord::GetAttibuteCountofSpecifiedType(std::uint32_t type) const {
  const auto offsets = Offsets();
  return static_cast<unsigned>(std::count_if(offsets.begin(), offsets.end(), [&](std::uint32_t off) {
    return quellsy::le32(m_record, off).value_or(0) == type;
  }));
}

std::uint64_t CNTFSFileRecord::GetBaseFileRecordNumber() const { return ntfs::MftNumberOf(Le64(0x20)); }

bool CNTFSFileRecord::HasXPNumberOfthisMFTRecord() const { return Le16(0x04) >= 48 && Le16(0x2A) == 0; }
