#pragma once
// An INDX record of a folder's index allocation: header test, fix-up over every stride, and the entry check
// that all its entries name the same parent folder.

#include <cstdint>

#include "NTFSLib/NTFSUpdateSequence.h"
#include "Utility/ByteReader.h"

class CStandardIndexHeader {
 public:
  // Magic "INDX"; allocated size within the buffer and entries within it; at most 16 update-sequence entries
  // covering exactly the allocated entries; update-sequence offset from 40 to 256.
  static bool IsValid(quellsy::ByteSpan buffer);
};

class CIndexRecord {
 public:
  // Header test, every stride ending with the update-sequence number, and the entry check on the fixed-up form.
  static bool IsValid(quellsy::ByteSpan buffer);
  static bool IsValidUpdateSequence(quellsy::ByteSpan buffer);
  static bool UnfixupIndexRecord(quellsy::MutableByteSpan buffer);
  static bool FixupIndexRecord(quellsy::MutableByteSpan buffer);
  // Entries (from the first, within the entries' size) up to the last-entry flag or a zero length: each entry
  // that is not a bare sub-node link has real size at most allocated size and the first entry's parent.
  static bool CheckIndexEntries(quellsy::ByteSpan buffer);

  static std::int64_t GetVCN(quellsy::ByteSpan buffer);
  static std::int64_t GetLogFileSequenceNumber(quellsy::ByteSpan buffer);
  // The low 32 bits of the first entry's parent reference; 0xFFFFFFFF when the record is not valid.
  static std::uint32_t GetParentFileReference(quellsy::ByteSpan buffer);

 private:
  static quellsy::ntfs::UpdateSequence SequenceOf(quellsy::ByteSpan buffer);
};
