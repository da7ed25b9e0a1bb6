#pragma once
// ASF files (WMA audio, WMV video, other ASF) found by their header object and grown sector by sector:
// the record reads the stream-properties objects of the header to type the file, then walks the
// top-level objects (data and index objects) to the first one that is not of the file.

#include <array>
#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CAsfRawFileInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr long long kCap = 109051904000LL;

  CAsfRawFileInfo();

  // 2 = show me the next sector; 1 = finished.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // Files the objects walked so far.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

  // Whether the GUID at `p` is one of the objects that may follow the header.
  static bool guidInTopLevel(const unsigned char* p);

 private:
  int Finish(long long sectorNumber);

  long long m_llHeaderPosition = 0;
  long long m_llHeaderEnd = 0;
  long long m_llTopLevel = 0;
  std::uint32_t m_uVideo = 0;
  std::uint32_t m_uMedia = 0;
  std::uint32_t m_uOther = 0;
  long long m_llLastSector = 0;
  bool m_bStarted = false;
};

class CAsfAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr long long kSizeCap = CAsfRawFileInfo::kCap;

  CAsfAnalyser();
  static IRawFileAnalyser* Create();

  // The header object's identifier at 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

// The 16 bytes of a GUID as ASF stores it, from its canonical text.
std::array<std::uint8_t, 16> AsfGuid(const char* text);
// Whether `p` holds the GUID (the four parts compared).
bool CompareGUID(const unsigned char* p, const std::array<std::uint8_t, 16>& guid);

}  // namespace BruteForce
