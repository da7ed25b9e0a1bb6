#include "RAWSearch/Formats/Image/File3DSAnalyser.h"

#include <algorithm>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint16_t kMainChunk = 0x4D4D;
constexpr std::uint16_t kEditorChunk = 0x3D3D;
constexpr std::size_t kCartridgeMark = 256;  // "NCSD": a console cartridge image, no mesh
// A main chunk found this far in follows a leading block of that size.
constexpr std::uint64_t kLeadBlock = 88;
constexpr int kMaxSteps = 4096;

}  // namespace

int File3DSAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  if (fields.le16(0) != kMainChunk && fields.le16(16) != kEditorChunk) return 0;
  if (HasText(sector, kCartridgeMark, "NCSD")) return 0;
  return Claim(hit, 0);
}

// Main chunks follow one another by their 32-bit lengths; the file ends where none stands.
int File3DSAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = 0;
  for (int step = 0; step < kMaxSteps && p <= kSizeCap; ++step) {
    const quellsy::ByteSpan chunk = window.Bytes(p, kLeadBlock + 2);
    if (chunk.empty()) {
      if (p == 0) return 0;
      break;
    }
    quellsy::FieldReader fields(chunk);
    if (fields.le16(kLeadBlock) == kMainChunk) {
      p += kLeadBlock;
      continue;
    }
    if (fields.le16(0) != kMainChunk || fields.le16(kLeadBlock) == 0) break;
    const std::uint32_t length = fields.le32(2);
    if (length == 0) break;
    p += length;
  }
  if (p == 0) return 0;
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
