#pragma once
// Jet and ACE databases followed page by page: data pages carry a type byte 1-9 and the marker 1, the
// file ends before a run of empty pages or at a page that is not the database's. A database whose
// first page after the header is foreign is ended instead by the first page-aligned zero tail.

#include <cstdint>

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class CMDBAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 2000000000;
  static constexpr long long kPageSize = 4096;
  // This many empty pages in a row end the file before the first of them.
  static constexpr int kEmptyPagesAtEnd = 36;

  class CMDBRawFileInfo : public CStreamingRawFileInfo {
   public:
    CMDBRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    int m_nEmptyPages = 0;
    bool m_bPageWalk = true;
  };

  CMDBAnalyser();
  // 00 01 00 00 "Standard Jet DB" 00 (MDB) or 00 01 00 00 "Standard ACE DB" 00 (ACCDB).
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;

 private:
  std::uint32_t m_uLastType = RAW_FILE_TYPE_MDB;
};

}  // namespace RawSpeed
