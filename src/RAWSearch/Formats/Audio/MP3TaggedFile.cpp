// The growing record's rules for MPEG audio files that start with an ID3v2 tag.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "RAWSearch/Formats/Audio/MP3Analyzer.h"
#include "RAWSearch/Metadata/Id3Text.h"

namespace BruteForce {

namespace {

constexpr std::size_t kId3Header = 10;
constexpr std::uint32_t kMaxId3Size = 0x40000000;
constexpr long long kId3v1Size = 128;
// A picture frame without a JPEG start is taken to start this far into the frame.
constexpr std::size_t kPictureGuess = 63;
constexpr std::size_t kMaxLyricsArtist = 1024;
constexpr std::size_t kMinYearLength = 8;
// An end sector's audio bytes repeat one non-zero value more often than this.
constexpr unsigned kRepeatLimit = 63;
// Bytes before the sector counted with it when the sector starts with a run of one value.
constexpr long long kRunLookBack = 64;

std::string_view View(quellsy::ByteSpan bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The artist named in lyrics: the text between "[ar:" and the next "]".
std::string LyricsArtist(quellsy::ByteSpan frame) {
  const std::string_view text = View(frame);
  const std::size_t open = text.find("[ar:");
  if (open == std::string_view::npos) return {};
  const std::size_t close = text.find(']', open + 4);
  if (close == std::string_view::npos || close - open - 4 >= kMaxLyricsArtist) return {};
  return std::string(text.substr(open + 4, close - open - 4));
}

bool RepeatsOneValue(quellsy::ByteSpan bytes, quellsy::ByteSpan before) {
  std::array<unsigned, 256> counts{};
  for (quellsy::ByteSpan part : {before, bytes})
    for (std::uint8_t b : part)
      if (b != 0 && ++counts[b] > kRepeatLimit) return true;
  return false;
}

}  // namespace

bool MP3Analyzer::MP3RawFileInfo::GatherTagInfo(quellsy::ByteSpan held) {
  const std::optional<std::uint32_t> tagSize =
      held.size() >= kId3Header ? Id3Text::SynchsafeInteger(held.subspan(6, 4)) : std::nullopt;
  if (!tagSize || *tagSize < 1 || *tagSize > kMaxId3Size) return false;
  const std::size_t tagEnd = std::min<std::size_t>(held.size(), kId3Header + *tagSize);
  std::string artist;
  std::string title;
  std::string year;
  std::string charset;
  for (std::size_t p = kId3Header; p + kId3Header <= tagEnd;) {
    const std::uint32_t size = *quellsy::be32(held, p + 4);
    if (size < 1 || size > kMaxId3Size) break;
    const std::string_view id = View(held.subspan(p, 4));
    const std::size_t at = p + kId3Header;
    const quellsy::ByteSpan frame = held.subspan(at, std::min<std::size_t>(size, tagEnd - at));
    if (id == "TPE1") {
      artist = Id3Text::DecodeTextFrame(frame, false, charset);
    } else if (id == "TIT2") {
      title = Id3Text::DecodeTextFrame(frame, true, charset);
    } else if (id == "TYER") {
      year = Id3Text::DecodeTextFrame(frame, false, charset);
    } else if (id == "APIC") {
      static constexpr std::array<std::uint8_t, 3> kJpeg = {0xFF, 0xD8, 0xFF};
      const auto jpeg = std::search(frame.begin(), frame.end(), kJpeg.begin(), kJpeg.end());
      const std::size_t picture = jpeg != frame.end() ? at + static_cast<std::size_t>(jpeg - frame.begin())
                                                      : p + kPictureGuess;
      m_llMinExtent += static_cast<long long>(picture) + size;
    } else if (id == "USLT") {
      if (std::string lyricist = LyricsArtist(frame); !lyricist.empty()) artist = std::move(lyricist);
    }
    if (size > tagEnd - at) break;
    p = at + size;
  }
  m_llMinExtent += *tagSize;
  if (year.size() >= kMinYearLength) SetRawFileTime(year);
  if (!artist.empty() || !title.empty())
    SetRawFileName(artist + "_" + title + " " + std::to_string(m_llStartSector) + "_");
  // A title alone is no artist to file the song under.
  if (!artist.empty()) SetRawFileTagAndValue(RAW_FILE_TAG_ARTISTS, artist);
  return true;
}

int MP3Analyzer::MP3RawFileInfo::FollowTagged(unsigned char* sector, int sectorSize, long long sectorNumber,
                                              const SearchContext& context) {
  const long long before = (sectorNumber - m_llStartSector) * sectorSize;
  if (before + sectorSize > kTaggedCap) return Finish(0, sectorNumber);
  // An end is looked for only in a sector that ends in zeros, past the tag and the minimum length.
  if (context.uTrailingZeroBytes < 32) return 2;
  long long dataEnd = sectorSize;
  while (dataEnd > 0 && sector[dataEnd - 1] == 0) --dataEnd;
  const bool previousHeld = sectorNumber > m_llStartSector && sectorNumber - 1 >= context.llBufferFirstSector;
  if (dataEnd > 0)
    return before > m_llMinExtent ? EndIn(sector, before, dataEnd, sectorSize, sectorNumber, previousHeld) : 2;
  // A sector of zeros after one without a zero tail (which was not looked at): the file may have ended
  // in that one.
  if (!previousHeld || before - sectorSize <= m_llMinExtent) return 2;
  const unsigned char* previous = sector - sectorSize;
  long long previousEnd = sectorSize;
  while (previousEnd > 0 && previous[previousEnd - 1] == 0) --previousEnd;
  if (previousEnd == 0 || sectorSize - previousEnd >= 32) return 2;
  const bool twoBackHeld = sectorNumber - 1 > m_llStartSector && sectorNumber - 2 >= context.llBufferFirstSector;
  return EndIn(previous, before - sectorSize, previousEnd, sectorSize, sectorNumber, twoBackHeld);
}

int MP3Analyzer::MP3RawFileInfo::EndIn(const unsigned char* data, long long dataOffset, long long dataEnd,
                                       int sectorSize, long long sectorNumber, bool previousHeld) {
  const long long lookBack = previousHeld ? sectorSize : 0;
  // An ID3v1 tag whose 128 bytes reach the data's end (its last fields may be zero) ends the file.
  static constexpr std::array<std::uint8_t, 3> kTag = {'T', 'A', 'G'};
  for (long long at = std::max(dataEnd - kId3v1Size, -lookBack); at + kId3v1Size <= sectorSize; ++at) {
    if (!std::equal(kTag.begin(), kTag.end(), data + at)) continue;
    if (GetRawFileName().empty()) {
      if (const std::optional<Id3Text::Id3v1Names> names =
              Id3Text::ReadId3v1({data + at, static_cast<std::size_t>(kId3v1Size)})) {
        SetRawFileName(names->artist + "_" + names->title + " " + std::to_string(m_llStartSector) + "-" +
                       std::to_string(sectorNumber) + "_");
        SetRawFileTagAndValue(RAW_FILE_TAG_ARTISTS, names->artist);
      }
    }
    return Finish(dataOffset + at + kId3v1Size, sectorNumber);
  }

  // Otherwise audio bytes that repeat one value often end where the zeros begin.
  const bool runAtStart = data[0] != 0 && data[0] == data[1] && data[0] == data[2] && data[0] == data[3];
  const quellsy::ByteSpan behind =
      runAtStart && previousHeld ? quellsy::ByteSpan(data - kRunLookBack, kRunLookBack) : quellsy::ByteSpan();
  if (RepeatsOneValue({data, static_cast<std::size_t>(dataEnd)}, behind))
    return Finish(dataOffset + dataEnd, sectorNumber);
  return 2;
}

}  // namespace BruteForce
