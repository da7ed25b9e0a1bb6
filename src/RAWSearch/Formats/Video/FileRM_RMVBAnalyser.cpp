#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kStreamHeaderWithin = 1024;
constexpr std::size_t kStreamNameWithin = 160;
constexpr std::array<std::string_view, 5> kChunks = {"PROP", "MDPR", "CONT", "DATA", "INDX"};
// Bounds the chunk walk of a plain RM file, however small its chunks claim to be.
constexpr int kMaxChunks = 1 << 20;
// The last index chunk of an RMVB file: no entries, and no index after it.
constexpr std::string_view kLastIndex = "INDX\0\0\0\x14\0\0\0\0\0\0\0\x02\0\0\0\0"sv;
constexpr std::size_t kZeroTail = 4;
constexpr std::uint64_t kLookBack = 32;
constexpr std::size_t kLookBytes = 64;

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

bool FileRM_RMVBAnalyser::bRMFileHeader(quellsy::ByteSpan header) {
  const auto stream = FindPattern(header.first(std::min(header.size(), kStreamHeaderWithin)), AsBytes("MDPR"));
  if (!stream) return false;
  const quellsy::ByteSpan from = header.subspan(*stream);
  return FindPattern(from.first(std::min(from.size(), kStreamNameWithin)), AsBytes("Video Stream")).has_value();
}

int FileRM_RMVBAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, ".RMF")) return 0;
  return Claim(hit, RAW_FILE_TYPE_RM, 0);
}

// The chunk chain from the header's end, while the chunks are of known kinds with a length; whether it
// reached the data chunk.
FileRM_RMVBAnalyser::ChainEnd FileRM_RMVBAnalyser::WalkChunks(PlainFileWindow& window) {
  ChainEnd end{window.Be32(4).value_or(0), false};
  for (int chunk = 0; chunk < kMaxChunks && end.offset <= kSizeCap; ++chunk) {
    const quellsy::ByteSpan head = window.Bytes(end.offset, 8);
    if (head.empty() ||
        std::none_of(kChunks.begin(), kChunks.end(), [&](std::string_view id) { return HasText(head, 0, id); }))
      break;
    const std::uint32_t size = quellsy::FieldReader(head).be32(4);
    if (size == 0) break;
    end.reachedData = end.reachedData || HasText(head, 0, "DATA");
    end.offset += size;
  }
  end.offset = std::min(end.offset, kSizeCap);
  return end;
}

int FileRM_RMVBAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan first = window.At(0);
  if (first.empty()) return 0;
  m_uPlainRM = bRMFileHeader(first) ? 0 : 1;
  const ChainEnd chain = WalkChunks(window);
  if (m_uPlainRM) {
    if (chain.offset == 0) return 0;
    hit.m_ullSize = chain.offset;
    return 1;
  }

  // An RMVB file closes with an index chunk. Where the chunk chain reaches the data, the mark is looked
  // for only up to the chain's end; without one the chain's end is the file's.
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kZeroTail) return 0;
  hit.m_uRawFileType = RAW_FILE_TYPE_RMVB;
  const std::uint64_t limit = chain.reachedData ? RoundUpToSectors(chain.offset, sectorSize) + sectorSize : kSizeCap;
  std::uint64_t p = 0;
  for (; p < limit; p += sectorSize) {
    const quellsy::ByteSpan held = window.At(p);
    if (held.size() < sectorSize) {
      if (p == 0) return 0;
      hit.m_ullSize = chain.reachedData ? chain.offset : p - sectorSize;
      return 1;
    }
    const quellsy::ByteSpan sector = held.first(sectorSize);
    if (!HasZeroTail(sector, kZeroTail)) continue;
    // The mark may run into the zero tail, so the search reaches past the sector's end where the window holds it.
    if (const auto at = FindPattern(held.first(std::min<std::size_t>(held.size(), sectorSize + kLastIndex.size())),
                                    AsBytes(kLastIndex));
        at && *at < sectorSize) {
      hit.m_ullSize = p + *at + kLastIndex.size();
      return 1;
    }
    const std::uint64_t from = p > kLookBack ? p - kLookBack : 0;
    if (FindPattern(window.Bytes(from, kLookBytes), AsBytes(kLastIndex))) {
      hit.m_ullSize = p + sectorSize;
      return 1;
    }
  }
  hit.m_ullSize = chain.reachedData ? chain.offset : kSizeCap;
  return 1;
}
