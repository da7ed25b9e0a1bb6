#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"

#include <algorithm>
#include <cstring>

#include "Utility/ByteReader.h"

namespace BruteForce {

namespace {

constexpr std::uint16_t kMinVersion = 1000;
constexpr std::uint16_t kMaxVersion = 9999;
constexpr long long kFooterBytes = 32;
constexpr std::uint32_t kMaxTagItems = 65535;
constexpr std::uint32_t kMaxTagSize = 16777248;
constexpr std::uint32_t kHasHeader = 1u << 31;
constexpr std::uint32_t kIsHeader = 1u << 29;
// Old headers: flags that add a peak level and a seek-element count, and that leave out the stored
// WAV header.
constexpr std::uint16_t kPeakLevel = 4;
constexpr std::uint16_t kSeekElements = 16;
constexpr std::uint16_t kNoWavHeader = 32;
constexpr long long kOldHeaderBytes = 32;
constexpr std::uint32_t kMaxSeekEntries = 1u << 24;

quellsy::ByteSpan At(const unsigned char* p, std::size_t n) { return {p, n}; }

long long RoundUp(long long value, long long unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

CAPEAnalyser::CAPEAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CAPEAnalyser::Create() { return new CAPEAnalyser(); }

int CAPEAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_APE;
  return 1;
}

CRawFileInfo* CAPEAnalyser::CreateRawFileInfo() { return new CAPERawFileInfo(); }

CAPERawFileInfo::CAPERawFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_APE, nullptr) {}

long long CAPERawFileInfo::tagSize(const unsigned char* footer) {
  const std::uint32_t flags = *quellsy::le32(At(footer, kFooterBytes), 20);
  const std::uint32_t size = *quellsy::le32(At(footer, kFooterBytes), 12);
  return (flags & kHasHeader) && (flags & kIsHeader) ? size + kFooterBytes : kFooterBytes;
}

bool CAPERawFileInfo::searchTag(const unsigned char* sector, int sectorSize, Tag& tag, int& zeroBytes) {
  zeroBytes = 0;
  while (zeroBytes < sectorSize && sector[sectorSize - 1 - zeroBytes] == 0) ++zeroBytes;
  for (int at = sectorSize - static_cast<int>(kFooterBytes); at >= 0; --at) {
    if (std::memcmp(sector + at, "APETAGEX", 8) != 0) continue;
    quellsy::FieldReader fields(At(sector + at, kFooterBytes));
    const std::uint32_t size = fields.le32(12);
    const std::uint32_t items = fields.le32(16);
    const std::uint32_t flags = fields.le32(20);
    if (items > kMaxTagItems || size > kMaxTagSize || size < kFooterBytes) continue;
    tag.length = size + ((flags & kHasHeader) ? kFooterBytes : 0);
    tag.start = (flags & kIsHeader) ? at : at + kFooterBytes - tag.length;
    return true;
  }
  return false;
}

int CAPERawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                 SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  m_llLastSector = sectorNumber;
  if (!m_bStarted) {
    m_bStarted = true;
    const int started = Start(sector, sectorSize, context);
    if (started != 2) return started;
  }
  m_llBytesSeen = offset + sectorSize;
  if (m_llBytesSeen >= kCap || m_llKnown >= kCap) return Finish(kCap);
  if (m_uVersion >= kDescriptorVersion) {
    // The stated length, and a tag right behind it once its footer is in view.
    if (m_llBytesSeen < m_llKnown + kFooterBytes) return 2;
    const long long footer = m_llKnown - offset;
    if (footer >= -sectorSize && footer + kFooterBytes <= sectorSize &&
        std::memcmp(sector + footer, "APETAGEX", 8) == 0) {
      // A footer right at the audio's end belongs to a tag with only that footer; otherwise the
      // header of a tag starts there.
      const long long length = tagSize(sector + footer);
      resetName(sector + footer, std::min<long long>(length, sectorSize - footer));
      return Finish(m_llKnown + length);
    }
    return Finish(m_llKnown);
  }
  if (ReadSeekTable(sector, offset, m_llBytesSeen) == 2) return 2;
  if (m_llBytesSeen <= m_llKnown) return 2;
  return EndAtZerosOrTag(sector, sectorSize, offset, context);
}

int CAPERawFileInfo::Start(const unsigned char* sector, int sectorSize, const SearchContext& context) {
  quellsy::FieldReader fields(At(sector, static_cast<std::size_t>(sectorSize)));
  m_uVersion = fields.le16(4);
  if (m_uVersion < kMinVersion || m_uVersion > kMaxVersion) return Finish(0);
  if (m_uVersion >= kDescriptorVersion) {
    const std::uint32_t descriptor = fields.le32(8);
    const long long held = (context.llBlockEndSector - m_llStartSector) * sectorSize;
    if (descriptor < 52 || static_cast<long long>(descriptor) + 24 > held) return Finish(0);
    const unsigned char* header = sector + descriptor;
    const std::uint16_t bits = *quellsy::le16(At(header, 24), 16);
    const std::uint16_t channels = *quellsy::le16(At(header, 24), 18);
    if (channels < 1 || channels > 2) return Finish(0);
    m_uBlockAlign = std::max<std::uint32_t>(1, bits / 8u * channels);
    long long total = 0;
    for (std::size_t at : {8u, 12u, 16u, 20u, 24u, 32u}) total += fields.le32(at);
    // The frame data's high 32 bits.
    total += static_cast<long long>(fields.le32(28)) << 32;
    m_llKnown = total;
    return 2;
  }
  const std::uint16_t flags = fields.le16(8);
  const std::uint16_t channels = fields.le16(10);
  m_uBlockAlign = std::max<std::uint32_t>(1, channels * ((flags & 1) ? 1u : (flags & 8) ? 3u : 2u));
  long long at = kOldHeaderBytes + ((flags & kPeakLevel) ? 4 : 0);
  const std::uint32_t entries = (flags & kSeekElements) ? fields.le32(static_cast<std::size_t>(at)) : 0;
  if (flags & kSeekElements) at += 4;
  if (!(flags & kNoWavHeader)) at += fields.le32(16);
  m_llSeekAt = at;
  m_llSeekEnd = at + 4LL * std::min(entries, kMaxSeekEntries);
  return 2;
}

int CAPERawFileInfo::ReadSeekTable(const unsigned char* sector, long long offset, long long limit) {
  // Entries cut by the sector's end are read with the next sector, this one lying behind it.
  while (m_llSeekAt < m_llSeekEnd && m_llSeekAt + 4 <= limit) {
    const std::uint32_t entry = *quellsy::le32(At(sector + (m_llSeekAt - offset), 4), 0);
    if (entry < kCap) m_llKnown = std::max<long long>(m_llKnown, entry);
    m_llSeekAt += 4;
  }
  return m_llSeekAt < m_llSeekEnd ? 2 : 1;
}

int CAPERawFileInfo::EndAtZerosOrTag(const unsigned char* sector, int sectorSize, long long offset,
                                     const SearchContext& context) {
  if (context.uTrailingZeroBytes == 0) return 2;
  Tag tag{};
  int zeros = 0;
  if (searchTag(sector, sectorSize, tag, zeros)) {
    resetName(sector + std::max<long long>(tag.start, 0), std::min<long long>(tag.length, sectorSize));
    return Finish(offset + tag.start + tag.length);
  }
  // Silent samples may end the audio in zeros: one more block of them is kept.
  const long long data = m_llBytesSeen - zeros;
  return Finish(RoundUp(data, m_uBlockAlign) + m_uBlockAlign);
}

void CAPERawFileInfo::resetName(const unsigned char* tag, long long length) {
  // The tag's items: u32 value length, u32 flags, a NUL-ended key, the value.
  if (length <= 2 * kFooterBytes) return;
  const unsigned char* end = tag + length;
  for (const unsigned char* p = tag + kFooterBytes; p + 9 < end;) {
    const std::uint32_t valueLength = *quellsy::le32(At(p, 4), 0);
    const auto* key = p + 8;
    const auto* keyEnd = static_cast<const unsigned char*>(std::memchr(key, 0, static_cast<std::size_t>(end - key)));
    if (!keyEnd || valueLength > static_cast<std::uint64_t>(end - keyEnd - 1)) return;
    const std::string name(reinterpret_cast<const char*>(key), static_cast<std::size_t>(keyEnd - key));
    if (name == "Title" || name == "title") {
      SetRawFileName(std::string(reinterpret_cast<const char*>(keyEnd + 1), valueLength));
      return;
    }
    p = keyEnd + 1 + valueLength;
  }
}

void CAPERawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (m_bStarted && m_ullSize == 0 && m_uVersion >= kMinVersion && m_uVersion <= kMaxVersion)
    Finish(m_uVersion >= kDescriptorVersion ? m_llKnown : m_llBytesSeen);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

int CAPERawFileInfo::Finish(long long size) {
  m_ullSize = static_cast<std::uint64_t>(std::clamp(size, 0LL, kCap));
  m_uRawFileType = RAW_FILE_TYPE_APE;
  if (m_ullSize != 0 && GetRawFileName().empty()) SetStemName(m_llLastSector);
  return 1;
}

}  // namespace BruteForce
