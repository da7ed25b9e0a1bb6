#pragma once
// Monkey's Audio files found by their "MAC " header and grown sector by sector. Files of version 3.98
// and later state their parts' lengths in the descriptor: the file is their sum, with an APE tag behind
// it when one follows. Older files give only their seek table, whose largest entry is where the last
// frame starts: the file then ends where its data give way to zeros, or at a tag.

#include <cstdint>
#include <string>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CAPERawFileInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr long long kCap = 2181038080LL;
  static constexpr std::uint16_t kDescriptorVersion = 3980;

  CAPERawFileInfo();

  // 2 = show me the next sector; 1 = finished.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // A record leaving the growing set is filed with the stated length, or with the bytes seen.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

  struct Tag {
    long long start;   // offset in the sector where the tag starts (may be negative: before it)
    long long length;  // bytes, header included
  };
  // The APE tag whose footer or header lies in the sector, searched backwards from its end; also the
  // zero bytes that close the sector.
  static bool searchTag(const unsigned char* sector, int sectorSize, Tag& tag, int& zeroBytes);
  // 32 (the footer), plus the tag size when the flags say a header is there and this is it.
  static long long tagSize(const unsigned char* footer);

 private:
  int Start(const unsigned char* sector, int sectorSize, const SearchContext& context);
  int ReadSeekTable(const unsigned char* sector, long long offset, long long limit);
  int EndAtZerosOrTag(const unsigned char* sector, int sectorSize, long long offset, const SearchContext& context);
  int Finish(long long size);
  void resetName(const unsigned char* tag, long long length);

  long long m_llBytesSeen = 0;
  // Descriptor files: the stated length; older files: the largest seek entry.
  long long m_llKnown = 0;
  long long m_llSeekAt = 0;
  long long m_llSeekEnd = 0;
  std::uint16_t m_uVersion = 0;
  std::uint32_t m_uBlockAlign = 4;
  bool m_bStarted = false;
  long long m_llLastSector = 0;
};

class CAPEAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr long long kSizeCap = CAPERawFileInfo::kCap;

  CAPEAnalyser();
  static IRawFileAnalyser* Create();

  // Every "MAC " sector is taken; the record checks the version.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
