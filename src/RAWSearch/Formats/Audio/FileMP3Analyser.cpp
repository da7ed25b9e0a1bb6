#include "RAWSearch/Formats/Audio/FileMP3Analyser.h"

#include <algorithm>
#include <array>

#include "RAWSearch/Framework/CMPAHeader.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Metadata/Id3Text.h"
#include "Utility/Utf8Text.h"

std::atomic<bool> FileMP3Analyser::s_bForgetLastStream{false};

namespace {

constexpr std::uint64_t kId3HeaderSize = 10;
constexpr std::uint64_t kId3v1Size = 128;
constexpr std::uint64_t kApeFooterSpan = 260;
constexpr std::uint32_t kMaxResyncBytes = 4096;
constexpr unsigned kResyncRunGivenUp = 2;
constexpr std::uint64_t kApeSearchLimit = 0x19000;
// The part of an ID3v2 text that names a file.
constexpr std::size_t kNameTextBytes = 30;

bool IsApeFooter(quellsy::ByteSpan bytes) {
  return CPlainRawFileAnalyser::HasText(bytes, 0, "APETAGEX") && bytes.size() > 8 && bytes[8] == 0xD0;
}

// At most `limit` bytes of UTF-8 text, never cutting a character.
std::string Utf8Prefix(const std::string& text, std::size_t limit) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = quellsy::Utf8SequenceLength(text, at);
    if (length == 0 || at + length > limit) break;
    at += length;
  }
  return text.substr(0, at);
}

quellsy::ByteSpan Field(quellsy::ByteSpan bytes, std::size_t offset, std::size_t length) {
  if (offset >= bytes.size()) return {};
  return bytes.subspan(offset, std::min(length, bytes.size() - offset));
}

}  // namespace

std::uint32_t FileMP3Analyser::FrameSize(quellsy::ByteSpan bytes, bool strictThirdByte) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] < 0xE0) return 0;
  if (strictThirdByte ? bytes[2] > 0xEF : bytes[2] >= 0xF0) return 0;
  CMPAHeader header;
  if (!header.Init(bytes.data())) return 0;
  const std::uint32_t size = header.CalcFrameSize();
  return size <= kMaxFrameSize ? size : 0;
}

bool FileMP3Analyser::IsId3v2Start(quellsy::ByteSpan bytes) {
  return HasText(bytes, 0, "ID3") && bytes.size() > 3 && (bytes[3] == 3 || bytes[3] == 4);
}

FileMP3Analyser::FileMP3Analyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MP3) {}

FileMP3Analyser::~FileMP3Analyser() { s_bForgetLastStream = true; }

void FileMP3Analyser::GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const {
  tag = m_uTag;
  value = m_strArtist;
}

int FileMP3Analyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (IsId3v2Start(sector) || FrameSize(sector, false) > 0) return Claim(hit, 0);
  return 0;
}

void FileMP3Analyser::InitMemValue() {
  m_uTag = RAW_FILE_TAG_NONE;
  m_strTitle.clear();
  m_strYear.clear();
  m_strArtist.clear();
}

int FileMP3Analyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  InitMemValue();
  const quellsy::ByteSpan head = window.Bytes(0, 4);
  if (head.empty() || window.SectorSize() == 0) return 0;
  if (!window.HasText(0, "ID3")) {
    if (head[0] == 0xFF && head[1] == 0xFB) {
      if ((head[2] == 0xE0 || head[2] == 0xB0) && (window.HasText(36, "Info") || window.HasText(36, "Xing")))
        return MeasureXing(hit, window);
      return MeasureFromFrames(hit, window);
    }
    CMPAHeader header;
    if (head[0] == 0xFF && header.Init(head.data())) return MeasureFromFrames(hit, window);
  }
  return MeasureTagged(hit, window);
}

int FileMP3Analyser::MeasureTagged(CRawFileInfo& hit, PlainFileWindow& window) {
  const std::optional<std::uint32_t> tagSize = Id3Text::SynchsafeInteger(window.Bytes(6, 4));
  if (!tagSize) return 0;
  const std::uint64_t framesEnd = *tagSize + kId3HeaderSize;
  std::string title;
  std::string artist;
  std::string year;
  for (std::uint64_t p = kId3HeaderSize; p < framesEnd;) {
    const std::optional<std::uint32_t> size = window.Be32(p + 4);
    if (!size || *size == 0) break;
    const quellsy::ByteSpan data = window.At(p + kId3HeaderSize);
    const quellsy::ByteSpan frame = data.first(std::min<std::size_t>(data.size(), *size));
    if (window.HasText(p, "TIT2"))
      title = Id3Text::DecodeTextFrame(frame, true, m_strCharset);
    else if (window.HasText(p, "TPE1"))
      artist = Id3Text::DecodeTextFrame(frame, false, m_strCharset);
    else if (window.HasText(p, "TYER"))
      year = Id3Text::DecodeTextFrame(frame, false, m_strCharset);
    p += kId3HeaderSize + *size;
  }

  std::uint64_t b = framesEnd;
  FollowFrameChain(window, b);
  if (b <= framesEnd) return 0;

  // The tag texts are already UTF-8; the guess on the title only decides whether they name the hit.
  if (!Id3Text::GuessCharset({reinterpret_cast<const std::uint8_t*>(title.data()), title.size()}).empty()) {
    m_strTitle = Utf8Prefix(title, kNameTextBytes);
    m_strArtist = Utf8Prefix(artist, kNameTextBytes);
  }
  m_strYear = year;
  hit.SetRawFileTime(m_strYear);
  NameHit(hit);
  hit.m_ullSize = b;
  return 1;
}

void FileMP3Analyser::FollowFrameChain(PlainFileWindow& window, std::uint64_t& b) {
  const unsigned sectorSize = window.SectorSize();
  std::uint32_t c = 0;
  unsigned resynced = 0;
  std::uint64_t resyncedLength = 0;
  while (b + c <= kChainCap) {
    const std::uint64_t at = b + c;
    const quellsy::ByteSpan bytes = window.At(at);
    if (bytes.empty()) return;
    if (HasText(bytes, 0, "TAG")) {
      const std::uint64_t tagEnd = at + kId3v1Size;
      const std::uint64_t sectorEnd = (tagEnd + sectorSize - 1) / sectorSize * sectorSize;
      const quellsy::ByteSpan tail = window.Bytes(tagEnd, sectorEnd - tagEnd);
      const bool placed = tagEnd == sectorEnd ||
                          (!tail.empty() && std::all_of(tail.begin(), tail.end(), [](std::uint8_t v) { return v == 0; }));
      if (placed) {
        b = tagEnd;
        return;
      }
    } else if (const std::uint32_t size = FrameSize(bytes, true); size && (c == 0 || FrameSize(window.Bytes(at + size, 4), true))) {
      // A frame found after skipping bytes counts only when the next frame follows it: stray bytes after
      // the last frame would otherwise pass for frames often enough to grow a file into what follows.
      if (c > 0) {
        resyncedLength += size + c;
        ++resynced;
      } else {
        resyncedLength = 0;
        resynced = 0;
      }
      b += c + size;
      c = 0;
      continue;
    } else if (at % sectorSize == 0 && IsId3v2Start(bytes) && Id3Text::SynchsafeInteger(Field(bytes, 6, 4))) {
      return;
    } else if (IsApeFooter(bytes)) {
      b = FindEndAfterApeTag(window, b);
      return;
    }
    if (resynced == kResyncRunGivenUp) {
      b -= resyncedLength;
      return;
    }
    if (++c == kMaxResyncBytes) return;
  }
}

std::uint64_t FileMP3Analyser::FindEndAfterApeTag(PlainFileWindow& window, std::uint64_t b) {
  const unsigned sectorSize = window.SectorSize();
  std::uint64_t sectorStart = b / sectorSize * sectorSize;
  static constexpr std::array<std::uint8_t, 4> kZeroTag = {0, 'T', 'A', 'G'};
  for (std::uint64_t passed = 0; passed <= kApeSearchLimit; passed += sectorSize, sectorStart += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(sectorStart, sectorSize);
    if (sector.empty()) break;
    const auto zero = [](std::uint8_t v) { return v == 0; };
    if (!std::all_of(sector.end() - 4, sector.end(), zero)) continue;
    if (sectorSize >= 12 && std::all_of(sector.end() - 12, sector.end(), zero)) return sectorStart + sectorSize;
    const auto found = std::search(sector.begin(), sector.end(), kZeroTag.begin(), kZeroTag.end());
    if (found != sector.end()) return sectorStart + static_cast<std::uint64_t>(found - sector.begin()) + 1 + kId3v1Size;
  }
  return sectorStart;
}

int FileMP3Analyser::MeasureXing(CRawFileInfo& hit, PlainFileWindow& window) {
  const std::optional<std::uint32_t> length = window.Be32(48);
  if (!length || *length == 0) return 0;
  const quellsy::ByteSpan end = window.At(*length);
  if (end.empty()) return 0;
  if (HasText(end, 0, "TAG")) {
    NameFromId3v1(hit, end);
    hit.m_ullSize = std::uint64_t{*length} + kId3v1Size;
  } else {
    hit.m_ullSize = *length;
  }
  return 1;
}

int FileMP3Analyser::MeasureFromFrames(CRawFileInfo& hit, PlainFileWindow& window) {
  const std::uint32_t first = FrameSize(window.Bytes(0, 4), false);
  if (first == 0 || FrameSize(window.Bytes(first, 4), false) == 0) return 0;
  hit.m_uRawFileType = RAW_FILE_TYPE_MP3;
  if (s_bForgetLastStream.exchange(false)) {
    m_ullLastStart = 0;
    m_ullLastLength = 0;
  }
  const auto start = static_cast<std::uint64_t>(window.StartSector());
  if (start > m_ullLastStart && start < m_ullLastStart + m_ullLastLength) {
    hit.m_ullSize = 0;
    return 0;
  }

  std::uint64_t q = 0;
  bool capped = true;
  while (q < kStreamCap) {
    const quellsy::ByteSpan bytes = window.At(q);
    if (bytes.empty()) {
      capped = false;
      break;
    }
    if (const std::uint32_t size = FrameSize(bytes, true)) {
      q += size;
      continue;
    }
    capped = false;
    if (HasText(bytes, 0, "TAG")) {
      NameFromId3v1(hit, bytes);
      q += kId3v1Size;
    } else if (IsApeFooter(bytes)) {
      q += kApeFooterSpan;
    } else {
      const quellsy::ByteSpan near = Field(bytes, 0, kId3v1Size);
      static constexpr std::array<std::uint8_t, 3> kTag = {'T', 'A', 'G'};
      const auto found = std::search(near.begin(), near.end(), kTag.begin(), kTag.end());
      if (found != near.end()) q += static_cast<std::uint64_t>(found - near.begin()) + kId3v1Size;
    }
    break;
  }
  if (!capped && q < kMinStreamSize) {
    hit.m_ullSize = 0;
    return 0;
  }
  const unsigned sectorSize = window.SectorSize();
  const std::uint64_t sectors = (q + sectorSize - 1) / sectorSize;
  const std::uint64_t end = start + sectors;
  if (end < m_ullLastStart || end > m_ullLastStart + m_ullLastLength) {
    m_ullLastStart = start;
    m_ullLastLength = sectors;
    hit.m_ullSize = q;
    return 1;
  }
  hit.m_ullSize = 0;
  return 0;
}

void FileMP3Analyser::NameFromId3v1(CRawFileInfo& hit, quellsy::ByteSpan tag) {
  const std::optional<Id3Text::Id3v1Names> names = Id3Text::ReadId3v1(tag);
  if (!names) return;
  m_strTitle = names->title;
  m_strArtist = names->artist;
  NameHit(hit);
}

void FileMP3Analyser::NameHit(CRawFileInfo& hit) {
  if (!m_strArtist.empty()) {
    m_uTag = RAW_FILE_TAG_ARTISTS;
    hit.SetRawFileTagAndValue(RAW_FILE_TAG_ARTISTS, m_strArtist);
  }
  hit.SetRawFileName(m_strArtist + "_" + m_strTitle);
}
