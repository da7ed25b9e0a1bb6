#include "RAWSearch/Framework/CZeroEndRawFileInfo.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kLongZeroRun = 32;  // the most trailing zero bytes the search counts

bool AllZero(const unsigned char* bytes, std::size_t count) {
  return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

}  // namespace

CZeroEndRawFileInfo::CZeroEndRawFileInfo(std::uint64_t maxSize, std::uint32_t unit)
    : m_ullMaxSize(maxSize), m_uUnit(unit >= 1 && unit <= 4 ? unit : 1) {}

bool CZeroEndRawFileInfo::SetEndPattern(const unsigned char* pattern, std::size_t length) {
  if (!pattern || length == 0 || length > kMaxEndPattern) return false;
  std::memcpy(m_EndPattern, pattern, length);
  m_wPatternLength = static_cast<std::uint16_t>(length);
  return true;
}

int CZeroEndRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                     SearchContext& context) {
  if (!sector || sectorSize <= 0) return 1;
  const auto size = static_cast<std::uint32_t>(sectorSize);
  // Every call that asks for more leaves the running length at a sector boundary: it is this sector's
  // offset in the file.
  const std::uint64_t base = m_ullSize;
  const std::uint32_t trailingZero = context.uTrailingZeroBytes;
  // Another file begins here: without a zero tail before it, this one ended with the sector before.
  if (context.pSameSectorHit && base != 0) return 1;
  int result = 1;
  if (base < m_ullNextCheck || trailingZero == 0) {
    m_ullSize = base + size;
    result = 2;
  } else {
    if (trailingZero < size) {
      const long long before = sectorNumber - context.llBufferFirstSector;
      const std::uint64_t bytesBefore = before > 0 ? static_cast<std::uint64_t>(before) * size : 0;
      extraZeroPos(sector, size, trailingZero, bytesBefore, base);
    } else {
      m_ullSize = base + size;
    }
    if (m_ullSize <= m_ullMaxSize && m_wPatternLength != 0) result = foundEndByte(sector, size, base);
  }
  // The cap holds on every way out, also where the end pattern moved the end.
  if (m_ullSize > m_ullMaxSize) {
    m_ullSize = m_ullMaxSize;
    return 1;
  }
  return result;
}

void CZeroEndRawFileInfo::extraZeroPos(const unsigned char* sector, std::uint32_t sectorSize,
                                       std::uint32_t trailingZero, std::uint64_t bytesBefore, std::uint64_t base) {
  if (trailingZero < kLongZeroRun) {
    m_ullSize = base + (sectorSize - trailingZero);
    return;
  }
  // The zero run may be longer than the 32 bytes counted: bisect over units for where it starts.
  long long lo = 0;
  long long hi = (sectorSize - kLongZeroRun) / m_uUnit;
  long long n = hi;
  while (n > 1) {
    const long long mid = std::min(lo, hi) + n / 2;
    if (!AllZero(sector + mid * m_uUnit, m_uUnit))
      lo = mid;
    else
      hi = mid;
    n = hi > lo ? hi - lo : lo - hi;
  }
  // Scan back to the last non-zero byte; the scan may leave the sector for the bytes before it in the
  // search buffer, but not go past the file's own start.
  const long long from = std::min<long long>((std::max(lo, hi) + 1) * m_uUnit, sectorSize - 1);
  const long long stop = -static_cast<long long>(std::min(base, bytesBefore));
  long long i = from;
  while (i >= stop && sector[i] == 0) --i;
  // i + 1 bytes of this sector belong to the file; a negative count ends it in the bytes before.
  if (i + 1 >= 0)
    m_ullSize = base + static_cast<std::uint64_t>(i + 1);
  else
    m_ullSize = base - static_cast<std::uint64_t>(-(i + 1));
}

int CZeroEndRawFileInfo::foundEndByte(const unsigned char* sector, std::uint32_t sectorSize, std::uint64_t base) {
  const long long length = m_wPatternLength;
  // Where the data ends within this sector (negative when it ended in the bytes before it).
  const long long end = m_ullSize >= base ? static_cast<long long>(m_ullSize - base)
                                          : -static_cast<long long>(base - m_ullSize);
  // Starts within one pattern length of the end, with the whole pattern inside the sector.
  const long long stop = std::min<long long>(end + length, static_cast<long long>(sectorSize) - length + 1);
  for (long long j = std::max<long long>(end - length, 0); j < stop; ++j) {
    if (std::memcmp(sector + j, m_EndPattern, static_cast<std::size_t>(length)) == 0) {
      m_ullSize = base + static_cast<std::uint64_t>(j + length);
      return 1;
    }
  }
  // Not here: the whole sector counts, and the pattern is looked for again from the next boundary.
  m_ullSize = base + sectorSize;
  m_ullNextCheck = m_ullSize;
  return 2;
}
