#include "RAWSearch/Formats/Image/FilePSPAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSignature = "Paint Shop Pro Image File\n\x1A\0\0\0\0\0"sv;
constexpr std::string_view kBlockMark = "~BK\0"sv;
constexpr std::uint64_t kFirstBlock = 36;
constexpr std::uint64_t kBlockHeader = 10;
constexpr std::uint64_t kSmallest = 512;

}  // namespace

int FilePSPAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, kSignature)) return 0;
  return Claim(hit, 0);
}

// Every block is its mark, its id and its length, then that many bytes.
int FilePSPAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = kFirstBlock;
  while (true) {
    const quellsy::ByteSpan block = window.Bytes(p, kBlockHeader);
    if (block.empty()) return 0;
    if (!HasText(block, 0, kBlockMark)) break;
    p += quellsy::FieldReader(block).le32(6) + kBlockHeader;
    if (p > kSizeCap) {
      hit.m_ullSize = kSizeCap;
      return 1;
    }
  }
  if (p < kSmallest) return 0;
  hit.m_ullSize = p;
  return 1;
}
