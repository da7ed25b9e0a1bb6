#include "RAWSearch/Framework/StreamingAnalyser.h"

#include <algorithm>
#include <cstdio>

#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

CStreamingRawFileInfo::CStreamingRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long minimum,
                                             long long next, long long cap)
    : CBruteForceRawFileInfo(type, fallback), m_llMinimum(minimum), m_llNext(next), m_llCap(cap) {}

long long CStreamingRawFileInfo::FileOffset(long long sectorNumber, int sectorSize) const {
  return (sectorNumber - m_llStartSector) * sectorSize;
}

std::optional<std::size_t> CStreamingRawFileInfo::HeldBytes::At(long long pos, std::size_t count) const {
  if (pos < first) return std::nullopt;
  const auto index = static_cast<std::uint64_t>(pos - first);
  if (index > bytes.size() || count > bytes.size() - index) return std::nullopt;
  return static_cast<std::size_t>(index);
}

CStreamingRawFileInfo::HeldBytes CStreamingRawFileInfo::Held(const unsigned char* sector, int sectorSize,
                                                              long long sectorNumber,
                                                              const SearchContext& context) const {
  const long long firstSector = std::clamp(std::max(context.llBufferFirstSector, m_llStartSector),
                                           std::min(m_llStartSector, sectorNumber), sectorNumber);
  const long long before = (sectorNumber - firstSector) * sectorSize;
  const long long after = std::max<long long>(SectorsLeft(sectorNumber, context), 1) * sectorSize;
  return {{sector - before, static_cast<std::size_t>(before + after)}, FileOffset(firstSector, sectorSize)};
}

long long CStreamingRawFileInfo::SectorsLeft(long long sectorNumber, const SearchContext& context) {
  return context.llBlockEndSector - sectorNumber;
}

int CStreamingRawFileInfo::End(long long size, long long sectorNumber, const char* separator) {
  if (size <= 0) return HandOver();
  m_ullSize = static_cast<std::uint64_t>(size);
  char stem[64];
  std::snprintf(stem, sizeof stem, "%lld-%lld%s", m_llStartSector, sectorNumber, separator);
  SetRawFileName(stem);
  return 1;
}

int CStreamingRawFileInfo::HandOver() {
  m_ullSize = 0;
  return 1;
}

int CStreamingRawFileInfo::NotHeld(const HeldBytes& held, long long pos) { return pos < held.first ? HandOver() : 2; }

int CStreamingRawFileInfo::PastCap(long long off, long long sectorNumber) {
  return Fallback() ? HandOver() : End(off, sectorNumber);
}

bool CStreamingRawFileInfo::ReachedMarkEnd(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context, const EndMark& mark) {
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (m_llMarkEnd == 0) {
    const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
    const long long from = std::max(held.first, off - static_cast<long long>(mark.behind));
    const auto length = static_cast<std::size_t>(off + sectorSize - from);
    const auto at = held.At(from, length);
    if (!at) return false;
    const std::optional<std::uint64_t> end = EndByMark(held.bytes.subspan(*at, length),
                                                       static_cast<std::uint64_t>(from),
                                                       static_cast<std::size_t>(sectorSize), mark);
    if (!end) return false;
    m_llMarkEnd = static_cast<long long>(*end);
  }
  return m_llMarkEnd <= off + sectorSize;
}

int CStreamingRawFileInfo::ZeroTailEnd(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                       const SearchContext& context, std::uint32_t threshold, long long extra,
                                       const char* separator) {
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  // Another file begins here: without a zero tail before it, this one ended with the sector before.
  if (context.pSameSectorHit && off > m_llMinimum) return End(off, sectorNumber - 1, separator);
  if (context.uTrailingZeroBytes < threshold || off < m_llMinimum) return 2;
  return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize) + extra, sectorNumber, separator);
}

int CStreamingWalkRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                           SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  while (m_llNext < off + sectorSize)
    if (const std::optional<int> decided = Step(held, sectorNumber)) return *decided;
  return 2;
}

int CStreamingZeroTailRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  return ZeroTailEnd(sector, sectorSize, sectorNumber, context);
}

CStreamingTextRawFileInfo::CStreamingTextRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long cap,
                                                     std::span<const std::string_view> closings, bool braces)
    : CStreamingRawFileInfo(type, fallback, 0, 0, cap), m_closings(closings), m_bBraces(braces) {}

TextEndWalk::Encoding CStreamingTextRawFileInfo::EncodingOf(quellsy::ByteSpan) const {
  return TextEndWalk::Encoding::kBytes;
}

long long CStreamingTextRawFileInfo::Length(std::uint64_t end, const HeldFile&) const {
  return static_cast<long long>(end);
}

int CStreamingTextRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                           SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  if (!m_walk) m_walk.emplace(m_closings, EncodingOf({sector, static_cast<std::size_t>(sectorSize)}), m_bBraces);
  const HeldFile held = HeldBytesOf(sector, sectorSize, m_llStartSector, sectorNumber, context);
  // The walk may read ahead of this sector; the file ends with the sector that holds its end.
  if (m_walk->Advance(held.bytes, held.first) == TextEndWalk::State::kWaiting ||
      m_walk->End() > static_cast<std::uint64_t>(off + sectorSize))
    return 2;
  return End(Length(m_walk->End(), held), sectorNumber);
}

}  // namespace RawSpeed
