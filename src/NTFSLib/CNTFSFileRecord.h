#pragma once
// A FILE record of the MFT: header tests, update-sequence fix-up and the attribute walk. The record's size is
// its allocated size (1024, or up to 4096 on volumes with 4 KiB sectors); the whole of it is fixed up and walked.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "NTFSLib/CNTFSFileRecordAttribute.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSLib/NTFSUpdateSequence.h"
#include "Utility/ByteReader.h"

class CNTFSFileRecordHeader {
 public:
  // Magic "FILE", at most 16 update-sequence entries covering at most the record, an allocated size that is a
  // multiple of 1024 up to 4096 and inside the buffer, and an update-sequence offset from 42 to 256. The
  // buffer's size must be a multiple of 512.
  static bool IsValid(quellsy::ByteSpan buffer);
  // The record's size (its allocated size) for a buffer that passes IsValid.
  static std::size_t RecordSize(quellsy::ByteSpan buffer);
  // The strides the fix-up covers: count - 1, at most the record's.
  static quellsy::ntfs::UpdateSequence SequenceOf(quellsy::ByteSpan buffer);
};

class CNTFSFileRecord {
 public:
  // Keeps a valid buffer (a private copy when copy is set, else the caller's, which must outlive the record)
  // and applies the fix-up when the update sequence checks out; the attributes are walked once, here. An
  // invalid buffer leaves the record empty (and a borrowed buffer as it was).
  CNTFSFileRecord(std::uint8_t* buffer, std::size_t size, bool copy);
  // Always a private copy.
  explicit CNTFSFileRecord(quellsy::ByteSpan buffer);
  CNTFSFileRecord(const CNTFSFileRecord&) = delete;
  CNTFSFileRecord& operator=(const CNTFSFileRecord&) = delete;
  // Puts the on-disk form back into a borrowed buffer.
  ~CNTFSFileRecord();

  // The header test, then every attribute's (checked on the fixed-up form when the sequence checks out).
  static bool IsValid(quellsy::ByteSpan buffer);
  static bool IsValidUpdateSequence(quellsy::ByteSpan buffer);
  static bool UnfixupFileRecord(quellsy::MutableByteSpan buffer);
  static bool FixupFileRecord(quellsy::MutableByteSpan buffer);

  bool IsValid() const { return !m_record.empty(); }
  bool IsFixedUp() const { return m_fixedUp; }
  // The record's bytes (fixed up when IsFixedUp), RecordSize() long.
  quellsy::ByteSpan Bytes() const { return m_record; }
  std::size_t RecordSize() const { return m_record.size(); }

  // What GetAttributeOffset gives when the record has no such attribute.
  static constexpr std::uint32_t kNoAttribute = 0xFFFFFFFF;

  // The n-th attribute (from 0) of a type; an invalid view when there is none.
  CNTFSFileRecordAttribute FindAttibute(std::uint32_t type, unsigned n) const;
  std::uint32_t GetAttributeOffset(std::uint32_t type, unsigned n) const;
  unsigned GetAttibuteCountofSpecifiedType(std::uint32_t type) const;
  bool HasAttributeList() const { return FindAttibute(0x20, 0).IsValid(); }
  // Offsets of the attributes in walk order.
  std::vector<std::uint32_t> AttributeOffsets() const;
  std::span<const std::uint16_t> Offsets() const { return {m_offsets.data(), m_offsetCount}; }

  bool IsFolder() const { return (Flags() & 0x2) != 0; }
  bool IsinUse() const { return (Flags() & 0x1) != 0; }
  bool IsExtendFileRecord() const { return Le64(0x20) != 0; }
  std::uint64_t GetBaseFileRecordNumber() const;
  std::uint16_t GetSequenceNumber() const { return Le16(0x10); }
  std::int64_t GetLogFileSequenceNumber() const { return static_cast<std::int64_t>(Le64(0x08)); }
  std::uint16_t GetFirstAttibuteOffset() const { return Le16(0x14); }
  std::uint32_t GetLength() const { return Le32(0x18); }
  std::uint32_t GetAllocatedSize() const { return Le32(0x1C); }
  bool HasXPNumberOfthisMFTRecord() const;
  std::uint32_t GetXPNumberOfthisMFTRecord() const { return Le32(0x2C); }

 private:
  std::uint16_t Flags() const { return Le16(0x16); }
  std::uint16_t Le16(std::size_t off) const { return quellsy::le16(m_record, off).value_or(0); }
  std::uint32_t Le32(std::size_t off) const { return quellsy::le32(m_record, off).value_or(0); }
  std::uint64_t Le64(std::size_t off) const { return quellsy::le64(m_record, off).value_or(0); }

  // Walks the fixed-up record and tests every attribute; false (and nothing kept) when one fails.
  bool TakeAttributes();
  // Puts a borrowed buffer back and forgets it.
  void Drop();

  std::vector<std::uint8_t> m_copy;
  quellsy::MutableByteSpan m_record;
  bool m_fixedUp = false;
  // Every attribute of a valid record is at least 16 bytes long, so a record of 4096 bytes has at most 256.
  std::array<std::uint16_t, 256> m_offsets;
  std::size_t m_offsetCount = 0;
};

namespace quellsy::ntfs {
// Offsets of the attributes of a (fixed-up) record: from the first-attribute offset, stopping at the end
// marker, a length of 0, or the record's last 8 bytes. clean is false when an attribute header was cut off.
std::vector<std::uint32_t> WalkAttributes(ByteSpan record, bool* clean = nullptr);
// The same walk, each offset handed to `visit` (which returns false to stop, leaving clean false).
template <typename Visit>
void WalkAttributes(ByteSpan record, bool& clean, Visit visit);
}  // namespace quellsy::ntfs

template <typename Visit>
void quellsy::ntfs::WalkAttributes(ByteSpan record, bool& clean, Visit visit) {
  constexpr std::size_t kEndReserve = 8;  // the end marker and its padding
  clean = true;
  const std::size_t size = record.size();
  std::size_t off = le16(record, 0x14).value_or(0);
  if (size <= kEndReserve || off + kEndReserve >= size) return;
  while (true) {
    if (size - off < 4) break;
    if (le32(record, off).value_or(0) == kEndOfAttributes) return;
    if (size - off < 16) break;
    const std::uint32_t length = le32(record, off + 4).value_or(0);
    if (length == 0) return;
    if (!visit(static_cast<std::uint32_t>(off))) break;
    const std::uint64_t next = std::uint64_t{off} + length;
    if (next + kEndReserve >= size) return;
    off = static_cast<std::size_t>(next);
  }
  clean = false;
}
