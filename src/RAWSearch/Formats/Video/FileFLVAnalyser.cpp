#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"

#include <algorithm>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint64_t kFirstBackPointer = 9;
constexpr std::uint64_t kTagHeader = 11;
constexpr std::uint64_t kBackPointer = 4;

bool KnownTag(std::uint8_t type) { return type == 8 || type == 9 || type == 18; }

}  // namespace

int FileFLVAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "FLV")) return 0;
  return Claim(hit, 0);
}

// Each tag is followed by a back-pointer that repeats its length; the walk ends at the first tag of
// unknown type (the zeros behind the file) or where a back-pointer disagrees with the tag it follows.
int FileFLVAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const auto version = window.U8(3);
  const auto firstBack = window.Be32(kFirstBackPointer);
  if (!version || *version != 1 || !firstBack || *firstBack != 0) return 0;
  std::uint64_t p = kFirstBackPointer;
  std::uint64_t data = 1;
  std::uint64_t expected = 0;
  while (p <= kSizeCap) {
    const quellsy::ByteSpan tag = window.Bytes(p, kBackPointer + kTagHeader);
    if (tag.empty()) break;
    quellsy::FieldReader fields(tag);
    const std::uint32_t back = fields.be32(0);
    if (back == std::max<std::uint64_t>(data, 1) || !KnownTag(fields.u8(4))) {
      p += kBackPointer;
      break;
    }
    data = (std::uint64_t{fields.u8(5)} << 16) | fields.be16(6);
    if (back == expected) {
      expected = data + kTagHeader;
    } else if (expected != 0) {
      p += data + kTagHeader + kBackPointer;
      break;
    }
    p += data + kTagHeader + kBackPointer;
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
