#include "RAWSearch/Formats/Image/JpegAnalyzer.h"

#include <algorithm>
#include <array>
#include <memory>

#include "RAWSearch/Formats/Image/FileJPGAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

// Junk that keeps looking like segments is given up after this many.
constexpr unsigned kMaxHeaderMarkers = 20480;

bool HasJfifOrExif(quellsy::ByteSpan sector) {
  return CPlainRawFileAnalyser::HasText(sector, 6, "JFIF", true) ||
         CPlainRawFileAnalyser::HasText(sector, 6, "Exif", true);
}

bool HasTableOrAdobeStart(quellsy::ByteSpan sector) {
  static constexpr std::array<std::uint8_t, 3> kLead = {0xFF, 0xD8, 0xFF};
  return sector.size() >= 4 && std::equal(kLead.begin(), kLead.end(), sector.begin()) &&
         (sector[3] == 0xDB || sector[3] == 0xEE);
}

bool IsFrameHeader(std::uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

}  // namespace

JpegAnalyzer::JpegAnalyzer() : CBruteForceAnalyser(RAW_FILE_TYPE_JPG, std::make_unique<FileJPGAnalyser>()) {}

IRawFileAnalyser* JpegAnalyzer::Create() { return new JpegAnalyzer(); }

int JpegAnalyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!HasJfifOrExif(bytes) && !HasTableOrAdobeStart(bytes)) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_JPG;
  return 1;
}

int JpegAnalyzer::AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                                  long long bufferFirstSector, long long blockEndSector) {
  if (!data || sectorSize < 16 || sectorSize > 0x10000) return 0;
  const quellsy::ByteSpan bytes(data, static_cast<std::size_t>(sectorSize));
  if (HasJfifOrExif(bytes)) {
    scratch.m_uRawFileType = RAW_FILE_TYPE_JPG;
    return 1;
  }
  if (!HasTableOrAdobeStart(bytes)) return 0;
  JpegRawFileInfo probe(nullptr);
  if (!probe.GetRawFileSizeForJpgNonJFIFFile(data, sector, static_cast<int>(sectorSize), bufferFirstSector,
                                             blockEndSector))
    return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_JPG;
  return 1;
}

CRawFileInfo* JpegAnalyzer::CreateRawFileInfo() { return new JpegRawFileInfo(Fallback()); }

bool JpegAnalyzer::JpegRawFileInfo::GetRawFileSizeForJpgNonJFIFFile(const unsigned char* sector, long long sectorNumber,
                                                                    int sectorSize, long long,
                                                                    long long blockEndSector) {
  if (!sector || sectorSize <= 0 || blockEndSector <= sectorNumber) return false;
  const quellsy::ByteSpan data(sector, static_cast<std::size_t>((blockEndSector - sectorNumber) * sectorSize));
  quellsy::FieldReader read(data);
  if (read.u8(2) != 0xFF || !read.ok()) return false;
  std::uint64_t p = 2;
  bool frameSeen = false;
  for (unsigned step = 0; step < kMaxHeaderMarkers; ++step) {
    const std::uint8_t code = read.u8(p + 1);
    // A fill byte carries no length.
    const std::uint64_t length = code == 0xFF ? 0 : read.be16(p + 2);
    if (IsFrameHeader(code)) {
      if (read.u8(p + 4) != 8 || read.u8(p + 9) != 3) return false;
      frameSeen = true;
    } else if (code == 0xDA) {
      if (!frameSeen || read.u8(p + 4) != 3) return false;
      if (!read.ok()) return false;
      m_llMinEnd = static_cast<long long>(p + length + 2);
      return true;
    }
    if (!read.ok()) return false;
    p += length + 2;
  }
  return false;
}

}  // namespace BruteForce
