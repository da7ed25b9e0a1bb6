#pragma once
// Log-file pages: record pages ("RCRD") and the restart-page ("RSTR") test. Both are 4096 bytes, eight strides.

#include <cstdint>

#include "Utility/ByteReader.h"

class CRCRDRecord {
 public:
  static constexpr std::size_t kPageSize = 4096;

  // At least 4096 bytes, magic "RCRD", update-sequence count 9 at offset 0x28, every stride ending with the number.
  static bool IsValid(quellsy::ByteSpan buffer);
  static bool IsValidMagicNumber(quellsy::ByteSpan buffer);
  static bool IsValidUpdateSequence(quellsy::ByteSpan buffer);
  // The magic alone, in a buffer of at least 512 bytes.
  static bool IsValidRCRDRecordFirstSector(quellsy::ByteSpan buffer);
  // Applies the fix-up to all eight strides after the test.
  static bool Unfixup(quellsy::MutableByteSpan buffer);
  // The page header (its first 0x40 bytes) when the magic matches; empty otherwise.
  static quellsy::ByteSpan GetRecordHead(quellsy::ByteSpan buffer);
  // The buffer itself when it holds at least 48 bytes; empty otherwise.
  static quellsy::ByteSpan GetOperationRecordHeader(quellsy::ByteSpan buffer);
};

class CRestartPage {
 public:
  // At least 4096 bytes, magic "RSTR", client "NTFS" in UTF-16LE at 0x90, every stride ending with the word at 0x1E.
  static bool IsValidRestartRecord(quellsy::ByteSpan buffer);
  // At least 152 bytes, the magic and the client name.
  static bool IsValidRestartRecordHeader(quellsy::ByteSpan buffer);
};
