// The growing record's reading of the ID3v2 tag that starts a tagged MPEG audio file.

#include <algorithm>
#include <string>
#include <string_view>

#include "RAWSearch/Formats/Audio/MP3Analyzer.h"
#include "RAWSearch/Metadata/Id3Text.h"

namespace BruteForce {

namespace {

constexpr std::size_t kId3Header = 10;
constexpr std::uint32_t kMaxId3Size = 0x40000000;
// The ID3v2.4 flag of a 10-byte footer behind the tag.
constexpr std::uint8_t kFooterFlag = 0x10;
constexpr std::size_t kMaxLyricsArtist = 1024;
constexpr std::size_t kMinYearLength = 8;

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

}  // namespace

long long MP3Analyzer::MP3RawFileInfo::GatherTagInfo(quellsy::ByteSpan held) {
  const std::optional<std::uint32_t> tagSize =
      held.size() >= kId3Header ? Id3Text::SynchsafeInteger(held.subspan(6, 4)) : std::nullopt;
  if (!tagSize || *tagSize < 1 || *tagSize > kMaxId3Size) return 0;
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
    } else if (id == "USLT") {
      if (std::string lyricist = LyricsArtist(frame); !lyricist.empty()) artist = std::move(lyricist);
    }
    if (size > tagEnd - at) break;
    p = at + size;
  }
  if (year.size() >= kMinYearLength) SetRawFileTime(year);
  if (!artist.empty() || !title.empty())
    SetRawFileName(artist + "_" + title + " " + std::to_string(m_llStartSector) + "_");
  // A title alone is no artist to file the song under.
  if (!artist.empty()) SetRawFileTagAndValue(RAW_FILE_TAG_ARTISTS, artist);
  return static_cast<long long>(kId3Header + *tagSize + ((held[5] & kFooterFlag) != 0 ? kId3Header : 0));
}

}  // namespace BruteForce
