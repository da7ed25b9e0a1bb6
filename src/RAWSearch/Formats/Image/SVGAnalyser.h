#pragma once
// SVG drawings and the XML documents found with them (GPX tracks, property lists, Evernote exports,
// citation styles), followed sector by sector while their text runs: the document ends behind its
// closing tag and the line end behind it (TextEndWalk), whatever follows. Binary SVG tables state their
// length in their header.

#include <string_view>

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class SVGAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 10485760;

  class SVGRawFileInfo : public RawSpeed::CStreamingTextRawFileInfo {
   public:
    // `type` is the document's, as the header test found it.
    SVGRawFileInfo(IRawFileAnalyser* fallback, std::uint32_t type);
    // A binary table is sized from its header (unnamed); the documents by the text walk.
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  SVGAnalyser();
  // Sets the type found (SVG, GPX, PLIST, ENEX or CSL) in the scratch record.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  // A record of the type the last accepted sector had.
  CRawFileInfo* CreateRawFileInfo() override;

 private:
  std::uint32_t m_uLastType = RAW_FILE_TYPE_SVG;
};

}  // namespace Brance
