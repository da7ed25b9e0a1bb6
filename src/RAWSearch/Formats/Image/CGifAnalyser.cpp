#include "RAWSearch/Formats/Image/CGifAnalyser.h"

#include <algorithm>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

constexpr unsigned char kExtension = 0x21;
constexpr unsigned char kImage = 0x2C;
constexpr unsigned char kTrailer = 0x3B;
constexpr long long kHeaderBytes = 13;
// Bytes of an image descriptor before its packed field, and with the code-size byte after it.
constexpr long long kPackedAt = 9;
constexpr long long kDescriptorBytes = 11;

long long ColourTableBytes(unsigned char packed) { return (packed & 0x80) ? 3LL << ((packed & 7) + 1) : 0; }

}  // namespace

CGifAnalyser::CGifAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CGifAnalyser::Create() { return new CGifAnalyser(); }

int CGifAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, 6);
  if (!CPlainRawFileAnalyser::HasText(bytes, 0, "GIF8") ||
      !(CPlainRawFileAnalyser::HasText(bytes, 4, "7a") || CPlainRawFileAnalyser::HasText(bytes, 4, "9a")))
    return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_GIF;
  return 1;
}

CRawFileInfo* CGifAnalyser::CreateRawFileInfo() { return new CGifFileInfo(); }

CGifFileInfo::CGifFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_GIF, nullptr) {}

long long CGifFileInfo::clrMapSize(const unsigned char* descriptor) {
  return descriptor ? 5 + ColourTableBytes(descriptor[4]) : 5;
}

int CGifFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext&) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  const long long end = offset + sectorSize;
  if (m_bFirst) {
    m_bFirst = false;
    m_llPosition = kHeaderBytes + ColourTableBytes(sector[10]);
  }
  m_llRunning = end;
  m_llLastSector = sectorNumber;
  // Headers may start near the sector's end; they are read once the next sector is here, the
  // previous one still lying behind it in the search buffer.
  while (m_llPosition < end) {
    const unsigned char* at = sector + (m_llPosition - offset);
    if (m_walk == Walk::kSubBlocks) {
      m_llPosition += *at + 1;
      if (*at == 0) m_walk = Walk::kBlock;
      continue;
    }
    if (*at == kTrailer) return Finish(m_llPosition + 1);
    if (*at == kExtension) {
      // Introducer and label; the extension's sub-blocks follow.
      m_llPosition += 2;
    } else if (*at == kImage) {
      if (m_llPosition + kDescriptorBytes > end) break;
      m_llPosition += kDescriptorBytes + ColourTableBytes(at[kPackedAt]);
    } else {
      // Not a block: the picture ended somewhere before this sector's end, which is kept.
      return Finish(end);
    }
    m_walk = Walk::kSubBlocks;
  }
  if (end >= kCap) return Finish(kCap);
  return 2;
}

int CGifFileInfo::Finish(long long size) {
  m_ullSize = static_cast<std::uint64_t>(size);
  m_uRawFileType = RAW_FILE_TYPE_GIF;
  SetStemName(m_llLastSector);
  return 1;
}

void CGifFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (m_llRunning > 0) Finish(std::min(m_llRunning, kCap));
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
