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

int FileRIFFAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const auto length = window.Le32(4);
  if (!length) return 0;
  // The RIFF chunk states the file's length exactly: nothing of the sector behind it belongs to the file.
  hit.m_ullSize = *length + kChunkHeader;
  return 1;
}
