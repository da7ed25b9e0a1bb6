#pragma once
// GIF pictures found by their header and grown sector by sector: the record walks the blocks (colour
// tables, extensions, image descriptors and their data sub-blocks) to the trailer, which ends the file.
// A walk that meets something else ends the file with that sector, in whole sectors.

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CGifFileInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr long long kCap = 218103808;

  CGifFileInfo();

  // 2 = show me the next sector; 1 = finished.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // The sectors walked so far are the file: a record leaving the growing set is filed with them.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

  // Bytes of an image descriptor (with its code-size byte) and the local colour table it announces.
  static long long clrMapSize(const unsigned char* descriptor);

 private:
  enum class Walk { kBlock, kSubBlocks };
  int Finish(long long size);

  // File offset of the next byte the walk reads.
  long long m_llPosition = 0;
  Walk m_walk = Walk::kBlock;
  // Whole sectors seen so far.
  long long m_llRunning = 0;
  long long m_llLastSector = 0;
  bool m_bFirst = true;
};

class CGifAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr long long kSizeCap = CGifFileInfo::kCap;

  CGifAnalyser();
  static IRawFileAnalyser* Create();

  // "GIF87a" or "GIF89a".
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
