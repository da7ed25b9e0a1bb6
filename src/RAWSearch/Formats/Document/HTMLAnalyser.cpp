#include "RAWSearch/Formats/Document/HTMLAnalyser.h"

#include <array>
#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr std::array<std::string_view, 1> kClosings = {"</html>"};

bool IsUtf16Page(quellsy::ByteSpan bytes) { return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE; }

// The ASCII letters of `text` as UTF-16LE characters from `offset`, without regard to case.
bool HasUtf16Text(quellsy::ByteSpan bytes, std::size_t offset, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto unit = quellsy::le16(bytes, offset + 2 * i);
    if (!unit || *unit > 0x7F) return false;
    const auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(*unit) != lower(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

}  // namespace

HTMLAnalyser::HTMLAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_HTM, std::make_unique<FileHTMAnalyser>()) {}

int HTMLAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  const bool ascii = CPlainRawFileAnalyser::HasText(bytes, 0, "<HTML", true) ||
                     CPlainRawFileAnalyser::HasText(bytes, 0, "<!DOCTYPE HTML", true);
  const bool utf16 = IsUtf16Page(bytes) && (HasUtf16Text(bytes, 2, "<HTML>") || HasUtf16Text(bytes, 2, "<!"));
  if (!ascii && !utf16) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* HTMLAnalyser::CreateRawFileInfo() { return new HTMLRawFileInfo(Fallback()); }

HTMLAnalyser::HTMLRawFileInfo::HTMLRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingTextRawFileInfo(RAW_FILE_TYPE_HTM, fallback, kSizeCap, kClosings) {}

TextEndWalk::Encoding HTMLAnalyser::HTMLRawFileInfo::EncodingOf(quellsy::ByteSpan first) const {
  return IsUtf16Page(first) ? TextEndWalk::Encoding::kUtf16Le : TextEndWalk::Encoding::kBytes;
}

}  // namespace RawSpeed
