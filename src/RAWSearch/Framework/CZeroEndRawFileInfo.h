#pragma once
// A hit that grows sector by sector and ends where the data gives way to zero bytes, at a size cap,
// (when an end pattern is set) where the pattern closes the data, or where another file begins.

#include <cstddef>
#include <cstdint>

#include "RAWSearch/Framework/CRawFileInfo.h"

class CZeroEndRawFileInfo : public CRawFileInfo {
 public:
  static constexpr std::size_t kMaxEndPattern = 80;

  // unit: byte granularity of the zero test, 1 to 4 (other values are taken as 1).
  CZeroEndRawFileInfo(std::uint64_t maxSize, std::uint32_t unit);

  bool WhetherImplementGuess() override { return true; }
  // The running length counts whole sectors; a sector ending in zero words ends the file at its last
  // non-zero byte (looking back into the search buffer, never before the file's own start).
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

  // False (pattern unchanged) for an empty pattern or one longer than kMaxEndPattern.
  bool SetEndPattern(const unsigned char* pattern, std::size_t length);

  std::uint64_t m_ullMaxSize;
  std::uint32_t m_uUnit;
  // Running length below which sectors are counted without a test.
  std::uint64_t m_ullNextCheck = 0;
  unsigned char m_EndPattern[kMaxEndPattern] = {};
  std::uint16_t m_wPatternLength = 0;

 private:
  // Sets the size to end at the sector's last non-zero byte; `base` is the file offset of the sector.
  void extraZeroPos(const unsigned char* sector, std::uint32_t sectorSize, std::uint32_t trailingZero,
                    std::uint64_t bytesBefore, std::uint64_t base);
  // 1 when the end pattern lies at the computed end; else counts the sector whole and returns 2.
  int foundEndByte(const unsigned char* sector, std::uint32_t sectorSize, std::uint64_t base);
};
