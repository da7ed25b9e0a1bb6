#include "RAWSearch/Formats/Audio/MP3Analyzer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "RAWSearch/Formats/Audio/FileMP3Analyser.h"
#include "RAWSearch/Framework/CMPAHeader.h"
#include "RAWSearch/Metadata/Id3Text.h"

namespace BruteForce {

long long MP3Analyzer::s_llLastStartSector = 0;

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr long long kId3v1Size = 128;
constexpr long long kApeFooterSpan = 260;
// How far past a non-frame a stray ID3v1 tag is looked for.
constexpr std::size_t kTagSearchBytes = 126;
// What the end of a chain is judged on: a tag and the bytes around it must be in view.
constexpr long long kEndView = kId3v1Size + kTagSearchBytes + 8;

quellsy::ByteSpan Header(const unsigned char* p) { return {p, kHeaderBytes}; }

bool IsMpeg1Or2(const unsigned char* p) {
  CMPAHeader header;
  return header.Init(p) && (header.m_uVersion == CMPAHeader::kMpeg1 || header.m_uVersion == CMPAHeader::kMpeg2);
}

}  // namespace

MP3Analyzer::MP3Analyzer() : CBruteForceAnalyser(RAW_FILE_TYPE_MP3, std::make_unique<FileMP3Analyser>()) {
  // The analysers are made anew for every search: no stream of an earlier search is still growing.
  ResetStreamState();
}

IRawFileAnalyser* MP3Analyzer::Create() { return new MP3Analyzer(); }

int MP3Analyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, kHeaderBytes);
  if (!FileMP3Analyser::IsId3v2Start(bytes) && FileMP3Analyser::FrameSize(bytes, false) == 0) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_MP3;
  return 1;
}

int MP3Analyzer::AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                                 long long, long long blockEndSector) {
  if (!data || sectorSize < 16 || sectorSize > 0x10000) return 0;
  if (FileMP3Analyser::IsId3v2Start(Header(data))) {
    scratch.m_uRawFileType = RAW_FILE_TYPE_MP3;
    return 1;
  }
  const std::uint32_t first = FileMP3Analyser::FrameSize(Header(data), false);
  if (first == 0 || s_llLastStartSector != 0) return 0;
  // The buffered data reach the block's end; the next headers are checked where they lie inside it.
  const long long held = (blockEndSector - sector - 1) * sectorSize;
  if (static_cast<long long>(first) + 4 <= held) {
    const std::uint32_t second = FileMP3Analyser::FrameSize(Header(data + first), true);
    if (second == 0) return 0;
    if (static_cast<long long>(first) + second + 4 <= held) {
      if (FileMP3Analyser::FrameSize(Header(data + first + second), true) == 0) return 0;
      s_llLastStartSector = sector;
    }
  }
  scratch.m_uRawFileType = RAW_FILE_TYPE_MP3;
  return 1;
}

CRawFileInfo* MP3Analyzer::CreateRawFileInfo() { return new MP3RawFileInfo(Fallback()); }

MP3Analyzer::MP3RawFileInfo::MP3RawFileInfo(IRawFileAnalyser* fallback)
    : CBruteForceRawFileInfo(RAW_FILE_TYPE_MP3, fallback) {}

bool MP3Analyzer::MP3RawFileInfo::IsHealthyStart(const unsigned char* sector, long long sectorNumber, int sectorSize,
                                                 const SearchContext& context) {
  const std::uint32_t first = FileMP3Analyser::FrameSize(Header(sector), false);
  if (first == 0 || first >= FileMP3Analyser::kMaxFrameSize || !IsMpeg1Or2(sector)) return false;
  const long long held = (context.llBlockEndSector - sectorNumber) * sectorSize;
  if (static_cast<long long>(first) + 4 > held) return false;
  const unsigned char* next = sector + first;
  return next[0] == 0xFF && next[1] >= 0xE0 && next[2] < 0xF0 && IsMpeg1Or2(next);
}

int MP3Analyzer::MP3RawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize < 512) return Finish(0, sectorNumber);
  if (sectorNumber == m_llStartSector) {
    if (FileMP3Analyser::IsId3v2Start(Header(sector))) {
      // The tag is read as far as the search holds it; the frame chain starts behind it.
      const long long held = std::max(context.llBlockEndSector - sectorNumber, 1LL) * sectorSize;
      m_llChainStart = GatherTagInfo({sector, static_cast<std::size_t>(held)});
      if (m_llChainStart == 0) return Finish(0, sectorNumber);
      m_llStreamPos = m_llChainStart;
    } else if (!IsHealthyStart(sector, sectorNumber, sectorSize, context)) {
      return Finish(0, sectorNumber);
    }
  }
  if (m_llChainStart != 0 && (sectorNumber - m_llStartSector + 1) * sectorSize > kTaggedCap)
    return Finish(0, sectorNumber);
  return FollowFrames(sector, sectorSize, sectorNumber);
}

int MP3Analyzer::MP3RawFileInfo::FollowFrames(unsigned char* sector, int sectorSize, long long sectorNumber) {
  const long long sectorOffset = (sectorNumber - m_llStartSector) * sectorSize;
  if (sectorOffset >= 10 * kCap) return Finish(kCap, sectorNumber);
  const long long extent = sectorOffset + sectorSize;
  // The next header lies in a sector no longer held: the chain cannot be followed.
  if (m_llStreamPos < sectorOffset - sectorSize) return Finish(0, sectorNumber);
  for (unsigned headers = 0; m_llStreamPos < extent; ++headers) {
    if (headers == kMaxHeadersPerSector) return Finish(m_llStreamPos, sectorNumber);
    // A header that runs past this sector is read with the next one (the previous sector stays in
    // the search buffer behind the sector shown).
    if (m_llStreamPos + static_cast<long long>(kHeaderBytes) > extent) return 2;
    const unsigned char* at = sector + (m_llStreamPos - sectorOffset);
    const std::uint32_t size = FileMP3Analyser::FrameSize(Header(at), false);
    if (size == 0) {
      // What ends the chain is judged once a whole tag after it is in view.
      if (extent - m_llStreamPos < kEndView) return 2;
      return FinishAtNonFrame({at, static_cast<std::size_t>(extent - m_llStreamPos)}, sectorNumber);
    }
    m_llStreamPos += size;
  }
  return 2;
}

int MP3Analyzer::MP3RawFileInfo::FinishAtNonFrame(quellsy::ByteSpan at, long long sectorNumber) {
  static constexpr std::array<std::uint8_t, 3> kTag = {'T', 'A', 'G'};
  if (std::equal(kTag.begin(), kTag.end(), at.begin())) {
    // Names from an ID3v2 tag stay.
    if (const std::optional<Id3Text::Id3v1Names> names = Id3Text::ReadId3v1(at); names && GetRawFileName().empty()) {
      SetRawFileTagAndValue(RAW_FILE_TAG_ARTISTS, names->artist);
      SetRawFileName(names->artist + "_" + names->title);
    }
    m_llStreamPos += kId3v1Size;
  } else if (CPlainRawFileAnalyser::HasText(at, 0, "APETAGEX") && at[8] == 0xD0) {
    m_llStreamPos += kApeFooterSpan;
  } else {
    const quellsy::ByteSpan near = at.subspan(1, kTagSearchBytes);
    const auto found = std::search(near.begin(), near.end(), kTag.begin(), kTag.end());
    if (found != near.end()) m_llStreamPos += 1 + (found - near.begin()) + kId3v1Size;
  }
  return Finish(m_llStreamPos - m_llChainStart < kMinStreamSize ? 0 : m_llStreamPos, sectorNumber);
}

int MP3Analyzer::MP3RawFileInfo::Finish(long long size, long long sectorNumber) {
  if (s_llLastStartSector == m_llStartSector) s_llLastStartSector = 0;
  m_uRawFileType = RAW_FILE_TYPE_MP3;
  m_ullSize = static_cast<std::uint64_t>(size);
  if (size != 0 && GetRawFileName().empty())
    SetRawFileName(std::to_string(m_llStartSector) + "-" + std::to_string(sectorNumber) + "_");
  return 1;
}

void MP3Analyzer::MP3RawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (s_llLastStartSector == m_llStartSector) s_llLastStartSector = 0;
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
