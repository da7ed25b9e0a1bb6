#pragma once
// SVG drawings and the XML documents found with them (GPX tracks, property lists, Evernote exports,
// citation styles), followed to the first sector that ends in zeros and holds the document's closing
// tag: the document ends behind that tag and its line end. Binary SVG tables state their length in
// their header.

#include <string_view>

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class SVGAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 10485760;

  class SVGRawFileInfo : public CBranchRawFileInfo {
   public:
    // `type` is the document's, as the header test found it.
    SVGRawFileInfo(IRawFileAnalyser* fallback, std::uint32_t type);
    // A binary table is sized from its header (unnamed); the documents by the walk.
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    std::string_view Closing() const;
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
