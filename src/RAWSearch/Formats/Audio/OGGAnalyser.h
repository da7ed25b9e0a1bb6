#pragma once
// Ogg streams followed page by page: each page's segment table gives its length, and the first
// position that holds no page ends the stream. While a stream is followed its own pages start no new
// hits; the analyser remembers the stream being followed until its hit is decided or leaves the
// growing set (a fresh analyser, as every search makes, follows none).

#include <optional>

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class OGGAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;

  class OGGRawFileInfo : public CBranchRawFileInfo {
   public:
    OGGRawFileInfo(OGGAnalyser& owner, IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    // Lets new Ogg hits start again when this hit was the one followed.
    void StopFollowing();
    OGGAnalyser& m_owner;
  };

  OGGAnalyser();
  // Every "OggS" sector, except while a stream is followed.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;

  // The start sector of the stream being followed, if any.
  std::optional<long long> FollowedStream() const { return m_followed; }

 private:
  std::optional<long long> m_followed;
};

}  // namespace Brance
