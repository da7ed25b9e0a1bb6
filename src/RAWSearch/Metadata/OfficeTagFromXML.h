#pragma once
// Reads the core properties ("docProps/core.xml") of an office XML package: the member's deflated data
// is inflated with zlib into a fixed buffer and parsed with TinyXML; title, creator, last modifier and
// the two dates land in a FileProperty. The ZIP analyser hands it the member's local header and the
// bytes behind it that the search holds; when the data reach past them it asks again later.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "RAWSearch/Metadata/FileProperty.h"
#include "Utility/ByteReader.h"

namespace Brance {

class OfficeTagFromXML {
 public:
  // Members inflating to this many bytes or more are not read.
  static constexpr std::uint32_t kTextCap = 10240;
  // Texts longer than this are not stored.
  static constexpr std::size_t kMaxValueBytes = 1023;
  // Tags a core-properties text may hold; more are not parsed (it bounds the parser's nesting).
  static constexpr std::size_t kMaxTags = 512;
  static constexpr std::size_t kLocalHeaderBytes = 30;

  enum class Result { kRead, kNeedMore, kRefused };

  static OfficeTagFromXML& Instance();

  // `member` starts at the member's local file header and holds the bytes behind it that are at hand.
  // kNeedMore when the header is sound but its data reach past `member`.
  Result GetOfficeTagFromXML(quellsy::ByteSpan member, FileProperty& out);

  // Inflates `compressed` (raw deflate) into the text buffer; false when it does not inflate to
  // `uncompressedSize` bytes or fewer.
  bool bDepress(quellsy::ByteSpan compressed, std::uint32_t uncompressedSize);
  // Parses the text buffer and stores what it finds.
  void AnalyzeTag(FileProperty& out);
  // Letters after the first character become blanks, ':' becomes '-'.
  static std::string FilterFileTime(std::string text);

 private:
  OfficeTagFromXML() = default;

  std::array<char, kTextCap + 1> m_text{};
};

}  // namespace Brance
