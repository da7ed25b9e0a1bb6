#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint64_t kChunkOverhead = 12;  // length, type and CRC
constexpr std::uint64_t kFirstChunk = 8;

}  // namespace

int FilePNGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  if (!HasText(sector, 4, "\x0D\x0A\x1A\x0A"sv)) return 0;
  return Claim(hit, 0);
}

int FilePNGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan header = window.Bytes(0, 24);
  if (header.empty() || !HasText(header, 12, "IHDR")) return 0;
  quellsy::FieldReader fields(header);
  if (fields.be32(16) == 0 || fields.be32(20) == 0) return 0;
  std::uint64_t p = kFirstChunk + fields.be32(kFirstChunk) + kChunkOverhead;
  // Every chunk is at least 12 bytes, so the walk ends by the cap at the latest.
  while (p <= kSizeCap) {
    const quellsy::ByteSpan chunk = window.Bytes(p, 8);
    if (chunk.empty()) break;
    const std::uint32_t length = quellsy::FieldReader(chunk).be32(0);
    if (length > kSizeCap) break;
    p += length + kChunkOverhead;
    if (HasText(chunk, 4, "IEND")) break;
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
