#include "RAWSearch/Formats/Audio/FileRIFFAnalyser.h"

#include <cassert>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::size_t kFormOffset = 8;
constexpr std::size_t kChunkOffset = 12;
constexpr std::size_t kCmxNameOffset = 20;
constexpr std::uint64_t kChunkHeader = 8;
// A walk of more top-level chunks than this proves nothing more and is left to the rounded end.
constexpr int kMaxChunks = 4096;

unsigned char Folded(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

}  // namespace

bool FileRIFFAnalyser::CompareSignString(quellsy::ByteSpan bytes, std::size_t offset, std::string_view sign) {
  assert(sign.size() == 4);
  if (offset > bytes.size() || bytes.size() - offset < sign.size()) return false;
  for (std::size_t i = 0; i < sign.size(); ++i) {
    const unsigned char have = Folded(bytes[offset + i]);
    if (have == 0) return false;
    if (have != Folded(static_cast<unsigned char>(sign[i]))) return false;
  }
  return true;
}

bool FileRIFFAnalyser::Pair(quellsy::ByteSpan header, std::string_view form, std::string_view chunk) {
  return CompareSignString(header, kFormOffset, form) && CompareSignString(header, kChunkOffset, chunk);
}

std::uint32_t FileRIFFAnalyser::FormType(quellsy::ByteSpan header) {
  if (Pair(header, "WAVE", "fmt ")) return RAW_FILE_TYPE_WAV;
  if (Pair(header, "AVI ", "LIST")) return RAW_FILE_TYPE_AVI;
  if (Pair(header, "ACON", "LIST") || Pair(header, "ACON", "anih")) return RAW_FILE_TYPE_ANI;
  if (CompareSignString(header, kFormOffset, "CMX1") && HasText(header, kCmxNameOffset, "{Corel Binary Meta File}"))
    return RAW_FILE_TYPE_CMX;
  if (Pair(header, "CARC", "vrsn")) return RAW_FILE_TYPE_CLK;
  if (Pair(header, "CSL2", "vrsn")) return RAW_FILE_TYPE_CSL;
  for (std::string_view cdr : {"CDR7", "CDR8", "CDR9", "CDRA", "CDRB", "CDRC"})
    if (Pair(header, cdr, "vrsn")) return RAW_FILE_TYPE_CDR;
  return RAW_FILE_TYPE_RIFF;
}

int FileRIFFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "RIFF")) return 0;
  return Claim(hit, FormType(sector), 0);
}

// The stated end is taken to the byte only when the device holds it and the top-level chunks, each
// named in printable ASCII, tile the form up to it (an odd chunk's pad byte may be left off the last).
bool FileRIFFAnalyser::ChunksReach(PlainFileWindow& window, std::uint64_t end) {
  if (!window.Readable(end - 1)) return false;
  std::uint64_t p = kChunkOffset;
  for (int chunks = 0; chunks < kMaxChunks && p + kChunkHeader <= end; ++chunks) {
    const quellsy::ByteSpan id = window.Bytes(p, 4);
    if (id.empty()) return false;
    for (const unsigned char c : id)
      if (c < 0x20 || c > 0x7E) return false;
    const auto size = window.Le32(p + 4);
    if (!size) return false;
    p += kChunkHeader + *size;
    if (p == end) return true;
    p += *size & 1;
  }
  return p == end;
}

int FileRIFFAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const auto length = window.Le32(4);
  if (!length) return 0;
  const std::uint64_t end = *length + kChunkHeader;
  hit.m_ullSize = ChunksReach(window, end) ? end : RoundUpToSectors(end, window.SectorSize());
  return 1;
}
