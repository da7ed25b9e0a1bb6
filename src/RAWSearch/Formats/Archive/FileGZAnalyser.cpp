#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"

#include <algorithm>
#include <optional>
#include <string>

#include "RAWSearch/Framework/CGzSearch.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/GzMemberWalk.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint8_t kFlagHeaderCrc = 2;
constexpr std::uint8_t kFlagExtra = 4;
constexpr std::uint8_t kFlagName = 8;
constexpr std::uint8_t kFlagComment = 16;
constexpr std::uint8_t kMaxCompression = 2;
constexpr std::uint8_t kFastest = 4;
constexpr std::uint64_t kFixedHeaderBytes = 10;
constexpr std::uint64_t kTextCap = 0x1400001;
constexpr std::size_t kMaxNameBytes = 1024;
constexpr std::size_t kZeroTailBytes = 8;

enum class TextEnd { kFound, kTextCapReached, kFailed };

// Moves p past the zero that ends the text at p, collecting up to kMaxNameBytes of it when asked.
TextEnd SkipText(PlainFileWindow& window, std::uint64_t& p, std::string* text) {
  while (p < kTextCap) {
    const std::optional<std::uint8_t> byte = window.U8(p);
    if (!byte) return TextEnd::kFailed;
    ++p;
    if (*byte == 0) return TextEnd::kFound;
    if (text && text->size() < kMaxNameBytes) text->push_back(static_cast<char>(*byte));
  }
  return TextEnd::kTextCapReached;
}

}  // namespace

int FileGZAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const std::uint8_t extraFlags = sector[8];
  if (!CGzSearch::IsValidGzHeader(sector.data(), static_cast<int>(sector.size())) ||
      (extraFlags != kMaxCompression && extraFlags != kFastest))
    return 0;
  return Claim(hit, 0);
}

int FileGZAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan header = window.Bytes(0, kFixedHeaderBytes);
  if (header.empty() || !CGzSearch::IsValidGzHeader(header.data(), static_cast<int>(header.size()))) return 0;
  const std::uint8_t flags = header[3];

  std::uint64_t p = kFixedHeaderBytes;
  if (flags & kFlagExtra) {
    const std::optional<std::uint16_t> extraLength = window.Le16(kFixedHeaderBytes);
    if (!extraLength) return 0;
    p += 2 + *extraLength;
  }
  for (const std::uint8_t textFlag : {kFlagName, kFlagComment}) {
    if (!(flags & textFlag)) continue;
    std::string name;
    const TextEnd end = SkipText(window, p, textFlag == kFlagName ? &name : nullptr);
    if (end == TextEnd::kFailed) return 0;
    if (textFlag == kFlagName) hit.SetRawFileName(name);
    if (end == TextEnd::kTextCapReached) {
      hit.m_ullSize = p;
      return 1;
    }
  }
  if (flags & kFlagHeaderCrc) p += 2;

  GzMemberWalk walk;
  if (WalkThroughWindow(window, walk, kSizeCap) && walk.GetState() == GzMemberWalk::State::kDone) {
    hit.m_ullSize = walk.End();
    return 1;
  }
  // A stream that does not inflate: the zero-tail scan starts in the sector that holds the first byte after the header: a small file
  // ends in its first sector, and a scan that skipped that sector would take in what follows it.
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kZeroTailBytes) return 0;
  p -= p % sectorSize;
  for (; p < kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) break;
    if (std::all_of(sector.end() - kZeroTailBytes, sector.end(), [](std::uint8_t b) { return b == 0; })) {
      hit.m_ullSize = p + sectorSize;
      return 1;
    }
  }
  hit.m_ullSize = p;
  return 1;
}
