#pragma once
// Reads the summary-information property set of a compound document (title, authors, times) into a
// FileProperty. The compound-document analyser hands it every sector that begins like a property-set
// stream until one yields text; any other property set (the document summary, a user set) is refused.

#include <cstdint>
#include <string>

#include "RAWSearch/Metadata/FileProperty.h"
#include "Utility/ByteReader.h"

class CSummaryInFormation {
 public:
  // Properties looked at per section; a longer section gives nothing.
  static constexpr std::uint32_t kMaxProperties = 31;
  // Bytes a string value may hold.
  static constexpr std::uint32_t kMaxValueBytes = 1024;
  // Longer texts are cut to this many bytes (at a character boundary).
  static constexpr std::size_t kTextCut = 24;

  // 1 when at least one of title, author, last author and the two times came out non-empty, else 0.
  // `length` is the number of bytes readable from `stream`.
  std::uint32_t GetFileInformation(const unsigned char* stream, FileProperty& out, int length);

  // The stream's header: byte-order mark, version, set count and the summary-information format id.
  static bool IsDocumentInformation(quellsy::ByteSpan stream);
  // The value at `offset` of the stream as text; 16-bit integers go to `number` instead.
  static void GetDetailInformation(quellsy::ByteSpan stream, long long offset, std::uint32_t& number,
                                   std::string& text);
  // Every ':' after the first character becomes '-'.
  static std::string FilterFileTime(std::string text);
  // Leading blanks go; a text of kTextCut + 1 bytes or more is cut to kTextCut.
  static void OperateString(std::string& text);
  // A FILETIME as local "Y-MM-DD-hh-mm-ss"; empty for 0 and for times the C library cannot break down.
  static std::string FileTimeText(std::uint64_t filetime);

 private:
  std::uint32_t m_uSectionSize = 0;
  std::uint32_t m_uPropertyCount = 0;
  int m_iLength = 0;
};
