#pragma once
// AutoCAD drawings found by their version string and sized from their own header: the section
// locator table of R13 to R15 files, the scrambled file header of R2004, R2010 and R2013 files, and
// the interleaved, compressed file header of R2007 files. R2.x to R12 files are not sized.

#include <array>
#include <cstdint>
#include <vector>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CDWGRawInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr std::uint64_t kCap = 21810380800ULL;
  // Bytes of the R2007 file header (three interleaved Reed-Solomon blocks) and of what they hold.
  static constexpr std::size_t kAc1021HeaderBytes = 984;
  static constexpr std::size_t kAc1021DataBytes = 717;
  static constexpr std::size_t kAc1021FileHeaderBytes = 272;

  CDWGRawInfo();

  // 2 = show me the next sector; 1 = finished (size 0 drops the hit).
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

  // The R2004 file header at 0x80 unscrambled in place (108 bytes).
  static void getCrcData(unsigned char* header);
  // The file length an R2007 header gives, from its 984 stored bytes; 0 when it gives none.
  static std::uint64_t readAC1021MetaData(const unsigned char* stored);
  // Expands R2007-compressed `src` into `dst`; false when the data run past either end.
  static bool DecompressR2007(const unsigned char* src, std::size_t srcLength, unsigned char* dst,
                              std::size_t dstLength);

 private:
  int underR15Size(const unsigned char* sector, long long offset, long long limit);
  int ac1018_24_27VersionSize(const unsigned char* sector, const SearchContext& context, int sectorSize);
  int ac1021VersionSize(const unsigned char* sector, long long offset, long long limit);
  int Finish(std::uint64_t size, long long sectorNumber);

  // 1 = up to R15, 2 = R2004/R2010/R2013, 3 = R2007, 0 = not sized.
  int m_iFamily = -1;
  long long m_llLocatorPosition = 21;
  std::uint32_t m_uRecordIndex = 0;
  std::uint32_t m_uRecordCount = 0;
  std::uint64_t m_ullLargest = 0;
  std::size_t m_uGathered = 0;
  std::array<unsigned char, 992> m_header{};
  long long m_llSectorNumber = 0;
};

class CDWGAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr std::uint64_t kSizeCap = CDWGRawInfo::kCap;

  CDWGAnalyser();
  static IRawFileAnalyser* Create();

  // "AC1027", "AC1024", "AC1021", "AC1018", "AC1015", "AC1014", "AC1013", "AC1012" or "AC1009".
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
