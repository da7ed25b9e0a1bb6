#pragma once
// Views over one attribute of a FILE record: the common header, and the kinds the engine reads. A view holds
// the attribute's bytes (cut to its stated length inside the record); a field outside them reads as 0.

#include <cstdint>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

class CNTFSDataRunList;

class CNTFSFileRecordAttribute {
 public:
  CNTFSFileRecordAttribute() = default;
  // The attribute at offset in the record's walked bytes; invalid when its header does not fit.
  CNTFSFileRecordAttribute(quellsy::ByteSpan record, std::size_t offset);

  // The attribute test: at least 16 bytes left in the record, its length within them, and its content
  // (resident) or mapping pairs (non-resident; tested for data attributes) inside its length. File names
  // must also pass the name test.
  static bool IsValidAttribute(quellsy::ByteSpan record, std::size_t offset);

  bool IsValid() const { return !m_bytes.empty(); }
  quellsy::ByteSpan Bytes() const { return m_bytes; }
  std::uint32_t GetType() const { return Le32(0x00); }
  std::uint32_t GetLength() const { return Le32(0x04); }
  bool IsNonResident() const { return U8(0x08) != 0; }
  std::uint8_t GetNameLength() const { return U8(0x09); }
  std::uint16_t GetNameOffset() const { return Le16(0x0A); }
  std::uint16_t GetFlags() const { return Le16(0x0C); }
  bool IsCompressed() const { return (GetFlags() & 0x0001) != 0; }
  bool IsEncrypted() const { return (GetFlags() & 0x4000) != 0; }
  std::uint16_t GetAttributeID() const { return Le16(0x0E); }
  bool IsNamed() const { return GetNameLength() != 0; }
  // The attribute's own name (a named stream), as UTF-16 units; empty when unnamed or out of bounds.
  std::vector<std::uint16_t> GetNameUnits() const;

  // Resident attributes.
  std::uint32_t GetContentLength() const { return Le32(0x10); }
  std::uint16_t GetContentOffset() const { return Le16(0x14); }
  // The content, or an empty span when it does not lie inside the attribute.
  quellsy::ByteSpan GetContent() const;

  // Non-resident attributes.
  std::int64_t GetStartingVCN() const { return static_cast<std::int64_t>(Le64(0x10)); }
  std::int64_t GetLastVCN() const { return static_cast<std::int64_t>(Le64(0x18)); }
  std::uint16_t GetMappingPairsOffset() const { return Le16(0x20); }
  std::uint16_t GetCompressionUnit() const { return Le16(0x22); }
  std::int64_t GetAllocatedSize() const { return static_cast<std::int64_t>(Le64(0x28)); }
  std::int64_t GetRealSize() const { return static_cast<std::int64_t>(Le64(0x30)); }
  std::int64_t GetInitializedSize() const { return static_cast<std::int64_t>(Le64(0x38)); }

 protected:
  std::uint8_t U8(std::size_t off) const { return quellsy::u8(m_bytes, off).value_or(0); }
  std::uint16_t Le16(std::size_t off) const { return quellsy::le16(m_bytes, off).value_or(0); }
  std::uint32_t Le32(std::size_t off) const { return quellsy::le32(m_bytes, off).value_or(0); }
  std::uint64_t Le64(std::size_t off) const { return quellsy::le64(m_bytes, off).value_or(0); }

 private:
  quellsy::ByteSpan m_bytes;
};

// 0x10: times and DOS permissions.
class CNTFSFileRecordStandardInformationAttribute : public CNTFSFileRecordAttribute {
 public:
  using CNTFSFileRecordAttribute::CNTFSFileRecordAttribute;
  explicit CNTFSFileRecordStandardInformationAttribute(const CNTFSFileRecordAttribute& a)
      : CNTFSFileRecordAttribute(a) {}

  std::uint64_t GetCreationTime() const { return Le64(0x18); }
  std::uint64_t GetModificationTime() const { return Le64(0x20); }
  std::uint64_t GetLastAccessTime() const { return Le64(0x30); }
  std::uint32_t GetDosPermissions() const { return Le32(0x38); }
  bool IsHiddenAndSystem() const { return (GetDosPermissions() & 0x6) == 0x6; }
};

// 0x30: parent, times, sizes, flags and the name.
class CNTFSFileRecordFileNameAttribute : public CNTFSFileRecordAttribute {
 public:
  using CNTFSFileRecordAttribute::CNTFSFileRecordAttribute;
  explicit CNTFSFileRecordFileNameAttribute(const CNTFSFileRecordAttribute& a) : CNTFSFileRecordAttribute(a) {}

  // The attribute test and type 0x30; the name may hold any character.
  static bool IsValidFileNameAttribute(quellsy::ByteSpan record, std::size_t offset);

  std::uint64_t GetParentReference() const { return Le64(0x18); }
  std::uint64_t GetParentMftNumber() const;
  std::uint16_t GetParentSequenceNumber() const { return static_cast<std::uint16_t>(GetParentReference() >> 48); }
  std::uint64_t GetCreationTime() const { return Le64(0x20); }
  std::uint64_t GetModificationTime() const { return Le64(0x28); }
  std::uint64_t GetLastAccessTime() const { return Le64(0x38); }
  std::int64_t GetFileAllocatedSize() const { return static_cast<std::int64_t>(Le64(0x40)); }
  std::int64_t GetFileRealSize() const { return static_cast<std::int64_t>(Le64(0x48)); }
  std::uint32_t GetFileFlags() const { return Le32(0x50); }
  bool IsDirectory() const { return (GetFileFlags() & 0x10000000) != 0; }
  std::uint8_t GetFileNameLength() const { return U8(0x58); }
  // 0 POSIX, 1 Win32, 2 DOS, 3 Win32 and DOS; anything above reads as 4.
  std::uint8_t GetNameSpace() const;
  // The name's UTF-16 units as stated (cut at the attribute's end).
  std::vector<std::uint16_t> GetFileNameUnits() const;
  // The name in UTF-8 (unpaired surrogates become "_").
  std::string GetFileName() const;
};

// Data (0x80) and other non-resident attributes: their mapping pairs and runs.
class CNTFSFileRecordDataRunsAttribute : public CNTFSFileRecordAttribute {
 public:
  using CNTFSFileRecordAttribute::CNTFSFileRecordAttribute;
  explicit CNTFSFileRecordDataRunsAttribute(const CNTFSFileRecordAttribute& a) : CNTFSFileRecordAttribute(a) {}

  // From the mapping-pairs offset to the attribute's end; empty for a resident attribute.
  quellsy::ByteSpan GetMappingPairs() const;
  // Appends the runs, placed at the starting VCN; false when the mapping pairs fail the test.
  bool GetDataRunList(CNTFSDataRunList& list) const;
  // Sectors per cluster implied by the initialized size and the runs' clusters; 0 when it cannot be told.
  std::uint32_t GetSectorsPerCluster() const;
};

// 0x90: the resident root of a folder's index.
class CNTFSFileRecordIndexRootAttribute : public CNTFSFileRecordAttribute {
 public:
  using CNTFSFileRecordAttribute::CNTFSFileRecordAttribute;
  explicit CNTFSFileRecordIndexRootAttribute(const CNTFSFileRecordAttribute& a) : CNTFSFileRecordAttribute(a) {}

  // Resident, and the entries' total size plus 16 within the content.
  bool IsValidIndexRoot() const;
  std::uint32_t GetFirstEntryOffset() const;
  std::uint32_t GetEntriesSize() const;
  // The MFT number every entry names as its parent (the folder owning the root), -1 when none or they differ.
  std::int64_t GetMFTFileRecordNumberfrom0x90() const;
};

// Sectors per cluster implied by a size spread over clusters with the process-wide device sector size: the
// quotient rounded up to a power of two from 1 to 128; 0 when the size or clusters are below 1 or it exceeds 128.
std::uint32_t SectorsPerClusterFromSize(std::int64_t size, std::int64_t clusters);
