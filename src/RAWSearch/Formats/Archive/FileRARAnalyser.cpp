#include "RAWSearch/Formats/Archive/FileRARAnalyser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/classRarSearch.h"

namespace {

constexpr std::uint64_t kArchiveHeaderAt = 7;
// What the validator may read of the archive header, and of every later block header.
constexpr std::size_t kArchiveHeaderBytes = 505;
constexpr std::size_t kBlockHeaderBytes = 32;
// The 7-byte end block, which the validator does not measure.
constexpr std::array<std::uint8_t, 7> kEndBlock = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};

// The block's length when the validator accepts the header in `bytes`.
std::optional<std::uint64_t> BlockLength(quellsy::ByteSpan bytes) {
  unsigned low = 0;
  unsigned high = 0;
  if (!classRarSearch::GetBlockSize(bytes.data(), static_cast<int>(bytes.size()), &low, &high)) return std::nullopt;
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace

int FileRARAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  if (!HasText(sector, 4, "\x1A\x07\x00"sv)) return 0;
  return Claim(hit, 0);
}

int FileRARAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan archive = window.Bytes(kArchiveHeaderAt, kArchiveHeaderBytes);
  if (archive.empty()) return 0;
  const auto first = BlockLength(archive);
  if (!first) return 0;
  std::uint64_t p = kArchiveHeaderAt + *first;
  // Every block is at least 7 bytes long, so the walk ends by the cap at the latest.
  while (p <= kSizeCap) {
    quellsy::ByteSpan block = window.At(p);
    if (block.empty()) return 0;
    block = block.first(std::min(block.size(), kBlockHeaderBytes));
    const auto length = BlockLength(block);
    if (!length) {
      if (HasText(block, 0, std::string_view(reinterpret_cast<const char*>(kEndBlock.data()), kEndBlock.size())))
        p += kEndBlock.size();
      break;
    }
    p += *length;
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
