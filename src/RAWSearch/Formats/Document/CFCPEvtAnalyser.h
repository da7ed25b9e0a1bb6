#pragma once
// SQLite databases, and the application files built on them (event libraries, address books, note and
// drawing stores), found by their header and grown page by page: the walk looks at the first bytes of
// every page and ends the file at the first page that is neither a b-tree page nor a plausible
// overflow or free page, or after a run of empty pages.

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CFCPEvtFileInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr long long kCap = 200000000;
  // Empty pages in a row that end the file.
  static constexpr std::uint32_t kMaxEmptyPages = 5;

  CFCPEvtFileInfo();

  // 2 = show me the next sector; 1 = finished.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // The walk so far gives the size: a record leaving the growing set is filed with it.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

  // Both address-book table names on a page of `count` cells.
  static bool AnalyseABCDDBFileType(const unsigned char* page, std::uint32_t pageSize, std::uint16_t count);

 private:
  int PageInformation(const unsigned char* sector, int sectorSize);
  // Looks for the note-store and drawing-store table texts in page 1.
  void JudeMuseSuffix(const unsigned char* sector, int sectorSize);
  // 2 = the page may belong to the file; 1 = it ends the file.
  int GuessCalculate(const unsigned char* page);
  int EndSearch(long long sectorNumber);

  std::uint32_t m_uPageSize = 0;
  long long m_llOffset = 0;
  std::uint32_t m_uPageCount = 0;
  bool m_bEmptySequence = false;
  std::uint32_t m_uEmptyCount = 0;
  std::uint8_t m_uLastSequence = 0;
  std::uint32_t m_uFreePages = 0;
  std::uint16_t m_uContentStart = 0;
  std::uint16_t m_uFirstCell = 0;
  bool m_bSuffixPending = true;
  // The header's page count may be trusted (its version-valid-for number matches the change counter).
  bool m_bPageCountValid = false;
  bool m_bStarted = false;
  int m_iSectorSize = 0;
};

class CFCPEvtAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr long long kSizeCap = CFCPEvtFileInfo::kCap;

  CFCPEvtAnalyser();
  static IRawFileAnalyser* Create();

  // "SQLite format 3", a page size that is a multiple of 1024 below 65536, a text encoding of 0 to 3.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
