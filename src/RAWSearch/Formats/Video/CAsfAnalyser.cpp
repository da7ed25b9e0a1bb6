#include "RAWSearch/Formats/Video/CAsfAnalyser.h"

#include <algorithm>
#include <cstring>

#include "Utility/ByteReader.h"

namespace BruteForce {

namespace {

constexpr long long kObjectHeaderBytes = 24;
constexpr long long kFirstHeaderObject = 30;
// Where a stream-properties object names its stream type.
constexpr long long kStreamTypeAt = 24;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

const std::array<std::uint8_t, 16>& HeaderGuid() {
  static const auto guid = AsfGuid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
  return guid;
}
const std::array<std::uint8_t, 16>& StreamPropertiesGuid() {
  static const auto guid = AsfGuid("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
  return guid;
}
const std::array<std::uint8_t, 16>& VideoGuid() {
  static const auto guid = AsfGuid("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");
  return guid;
}
const std::array<std::uint8_t, 16>& AudioGuid() {
  static const auto guid = AsfGuid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
  return guid;
}

}  // namespace

std::array<std::uint8_t, 16> AsfGuid(const char* text) {
  // Hex digits in text order: a u32, two u16 (all three stored little-endian), then 8 bytes as written.
  std::array<std::uint8_t, 16> digits{};
  std::size_t n = 0;
  for (const char* p = text; *p && n < 16; ++p) {
    if (*p == '-') continue;
    digits[n++] = static_cast<std::uint8_t>(HexValue(p[0]) << 4 | HexValue(p[1]));
    ++p;
  }
  std::array<std::uint8_t, 16> guid = digits;
  std::reverse(guid.begin(), guid.begin() + 4);
  std::reverse(guid.begin() + 4, guid.begin() + 6);
  std::reverse(guid.begin() + 6, guid.begin() + 8);
  return guid;
}

bool CompareGUID(const unsigned char* p, const std::array<std::uint8_t, 16>& guid) {
  return p && std::memcmp(p, guid.data(), guid.size()) == 0;
}

CAsfAnalyser::CAsfAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CAsfAnalyser::Create() { return new CAsfAnalyser(); }

int CAsfAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!CompareGUID(sector, HeaderGuid())) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_ASF;
  return 1;
}

CRawFileInfo* CAsfAnalyser::CreateRawFileInfo() { return new CAsfRawFileInfo(); }

CAsfRawFileInfo::CAsfRawFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_ASF, nullptr) {}

bool CAsfRawFileInfo::guidInTopLevel(const unsigned char* p) {
  static const std::array<std::array<std::uint8_t, 16>, 5> kTopLevel = {
      AsfGuid("75B22636-668E-11CF-A6D9-00AA0062CE6C"), AsfGuid("33000890-E5B1-11CF-89F4-00A0C90349CB"),
      AsfGuid("D6E229D3-35DA-11D1-9034-00A0C90349BE"), AsfGuid("FEB103F8-12AD-4C64-840F-2A1D2F7AD48C"),
      AsfGuid("3CB73FD0-0C4A-4803-953D-EDF7B6228F0C")};
  return std::any_of(kTopLevel.begin(), kTopLevel.end(), [p](const auto& guid) { return CompareGUID(p, guid); });
}

int CAsfRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext&) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  const long long limit = offset + sectorSize;
  m_llLastSector = sectorNumber;
  // Objects cut by the sector's end are read once the next sector is here, this one lying behind it.
  const auto at = [&](long long position) { return sector + (position - offset); };
  if (!m_bStarted) {
    m_bStarted = true;
    const std::uint64_t headerSize = *quellsy::le64(quellsy::ByteSpan(sector, 24), 16);
    if (headerSize < kFirstHeaderObject || headerSize > static_cast<std::uint64_t>(kCap)) {
      m_ullSize = 0;
      return 1;
    }
    m_llHeaderEnd = m_llTopLevel = static_cast<long long>(headerSize);
    m_llHeaderPosition = kFirstHeaderObject;
  }
  while (m_llHeaderPosition < m_llHeaderEnd && m_llHeaderPosition + kStreamTypeAt + 16 <= limit) {
    const unsigned char* object = at(m_llHeaderPosition);
    const std::uint64_t size = *quellsy::le64(quellsy::ByteSpan(object, kObjectHeaderBytes), 16);
    if (CompareGUID(object, StreamPropertiesGuid())) {
      const unsigned char* type = object + kStreamTypeAt;
      if (CompareGUID(type, VideoGuid())) {
        ++m_uVideo;
        ++m_uMedia;
      } else if (CompareGUID(type, AudioGuid())) {
        ++m_uMedia;
      } else {
        ++m_uOther;
      }
    }
    if (size < kObjectHeaderBytes) {
      m_llHeaderPosition = m_llHeaderEnd;
      break;
    }
    m_llHeaderPosition += static_cast<long long>(std::min<std::uint64_t>(size, kCap));
  }
  while (m_llTopLevel + kObjectHeaderBytes <= limit) {
    const unsigned char* object = at(m_llTopLevel);
    const std::uint64_t size = *quellsy::le64(quellsy::ByteSpan(object, kObjectHeaderBytes), 16);
    // Anything else, or an object too short to be one, ends the file.
    if (!guidInTopLevel(object) || size < kObjectHeaderBytes) return Finish(sectorNumber);
    m_llTopLevel += static_cast<long long>(std::min<std::uint64_t>(size, kCap));
    if (m_llTopLevel >= kCap) return Finish(sectorNumber);
  }
  return 2;
}

int CAsfRawFileInfo::Finish(long long sectorNumber) {
  m_ullSize = static_cast<std::uint64_t>(std::min(m_llTopLevel, kCap));
  if (m_uOther == 0 && m_uVideo == 1)
    m_uRawFileType = RAW_FILE_TYPE_WMV;
  else if (m_uOther == 0 && m_uMedia > 0)
    m_uRawFileType = RAW_FILE_TYPE_WMA;
  else
    m_uRawFileType = RAW_FILE_TYPE_ASF;
  SetStemName(sectorNumber);
  return 1;
}

void CAsfRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (m_bStarted && m_llTopLevel > 0) Finish(m_llLastSector);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
