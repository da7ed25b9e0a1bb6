#pragma once
// A view over one 32-byte FAT directory entry: validity tests, short and long names, the first cluster.
// The caller keeps the bytes alive; SetFirstClusterNO writes into them (an entry made over read-only bytes
// is never written).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Utility/ByteReader.h"

class CTempFATDirEntry {
 public:
  static constexpr std::size_t kSize = 32;
  static constexpr std::uint8_t kAttrVolumeLabel = 0x08;
  static constexpr std::uint8_t kAttrDirectory = 0x10;
  static constexpr std::uint8_t kAttrLongName = 0x0F;
  static constexpr std::uint8_t kErasedMark = 0xE5;

  // The first 32 bytes of `entry` are the entry; a shorter span reads as an invalid, all-zero entry.
  explicit CTempFATDirEntry(quellsy::MutableByteSpan entry);
  // A view over bytes that may not be written: SetFirstClusterNO changes nothing.
  static CTempFATDirEntry ReadOnly(quellsy::ByteSpan entry);

  // Points the view at another entry; answers IsValidFATDirEntry(0) for it.
  bool InitFromBuffer(quellsy::MutableByteSpan entry);

  // relaxed = 0 also requires the first cluster and size of a file to be both zero or both set.
  bool IsValidFATDirEntry(int relaxed) const;

  bool IsErased() const { return Byte(0) == kErasedMark; }
  bool IsNeverUsed() const { return Byte(0) == 0; }
  bool IsDirectory() const { return (Attribute() & kAttrDirectory) != 0; }
  bool IsLongFileNameEntry() const { return Attribute() == kAttrLongName; }
  bool IsVolumeLabel() const { return (Attribute() & kAttrVolumeLabel) != 0; }
  std::uint8_t Attribute() const { return Byte(11); }
  std::uint32_t GetSize() const;

  // The sequence byte (piece number, 0x40 on the last piece) of a long-name entry; none for other entries.
  std::optional<std::uint8_t> GetLongFileNameIndex() const;

  // The revised number when revision is on and it is positive, else high word << 16 | low word.
  std::uint64_t GetFirstClusterNO() const;
  void SetFirstClusterNO(std::uint64_t cluster);
  void SetIsReviseDirEntryCluNum(int revise) { m_revise = revise != 0; }
  void SetReviseDirEntryCluNum(std::int64_t cluster) { m_revisedCluster = cluster; }

  // The 8.3 name: trailing blanks cut, a leading 0xE5 shown as "#", other bytes >= 0x80 as "_".
  // asLabel reads the 11 characters as one text (a volume label: no dot, inner blanks kept).
  std::string GetShortName(int asLabel) const;
  // This entry's piece of a long name (13 UTF-16LE units) in UTF-8, cut at the first zero; "_" when
  // nothing converts. The caller joins the pieces.
  std::string GetLongFileName() const;

  static bool IsValidFileName(quellsy::ByteSpan name11);
  // Exact comparison with the 8 name bytes and the 3 extension bytes.
  bool IsFilenameEqual(std::string_view name8, std::string_view ext3) const;
  static bool IsValidLongFileNameChar(char c);
  static bool IsValidLongFileName(std::string_view text);

  quellsy::ByteSpan Bytes() const { return m_bytes; }

 private:
  std::uint8_t Byte(std::size_t off) const { return quellsy::u8(m_bytes, off).value_or(0); }
  std::uint16_t Word(std::size_t off) const { return quellsy::le16(m_bytes, off).value_or(0); }

  quellsy::ByteSpan m_bytes;          // what is read
  quellsy::MutableByteSpan m_entry;  // the same bytes when they may be written, else empty
  bool m_revise = false;
  std::int64_t m_revisedCluster = 0;
};
