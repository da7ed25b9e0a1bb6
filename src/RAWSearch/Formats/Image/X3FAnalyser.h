#pragma once
// X3F camera raws followed to their closing directory (FileX3FAnalyser::Directory), looked for in every
// sector with the bytes before it: the file ends the directory's fixed length past its mark.

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class X3FAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 104857600;

  class X3FRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit X3FRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;
  };

  X3FAnalyser();
  // "FOVb" at offset 0: the registry's key is the whole test.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace Brance
