#pragma once
// QuickTime and ISO base-media movies (MOV, MP4, M4A, M4V, 3GP and the TREC variant) found by their
// "ftyp" box and grown sector by sector: the record walks the top-level boxes as their sectors pass,
// and the sum of their sizes is the file's size. The walk ends at the first box that is malformed or
// of a type a movie does not hold at its top level, or at a second "ftyp" (the next movie). Camera
// make, model and time come from an Exif block at the start of the "moov" box, or else from a device
// name near the movie's end.

#include <cstdint>
#include <memory>
#include <string>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

class MovAnalyzer : public CBruteForceAnalyser {
 public:
  // Larger than any one recording; a box size that would carry the walk past it ends the walk.
  static constexpr std::uint64_t kSizeCap = std::uint64_t{1} << 40;

  // The record the three movie analysers share.
  class MovRawFileInfo : public CBruteForceRawFileInfo {
   public:
    MovRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback);

    // 2 = show me the next sector; 1 = the walk ended (size 0 when no more than the "ftyp" was walked).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Closes the record with what the walk reached, then hands it to the fallback (if any).
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

    // Offset from the file start of the next top-level box: the size so far.
    long long m_llBoxPos = 0;
    unsigned m_uMoovCount = 0;
    // The first box's major brand starts with "iso".
    bool m_bIsoBrand = false;
    unsigned m_uBoxCount = 0;
    std::string m_strMake;
    std::string m_strModel;

   private:
    // The bytes the search holds around the shown sector, and where the shown sector lies in them.
    struct Window {
      quellsy::ByteSpan bytes;
      long long sectorAt = 0;
      // File offset of bytes[0].
      long long fileOffset = 0;
    };
    Window Buffered(unsigned char* sector, int sectorSize, long long sectorNumber,
                    const SearchContext& context) const;
    // Make, model and time from an Exif block in the first 1024 bytes of "moov" (`box` runs from the
    // box start to the end of the held data).
    void ReadCamera(quellsy::ByteSpan box);
    // A device name ("iPhone ", "iPad ") in the bytes around the sector where the walk ended.
    void FindDeviceName(const Window& window, int sectorSize);
    // Sets size, type, name and label from the walk; `window` is null when the record is closed
    // without the sector in view.
    void Close(const Window* window, int sectorSize);
  };

  MovAnalyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // An "ftyp" box of 16 to 83 bytes whose brand gives a type; unknown brands are taken as QuickTime,
  // except the brands the MP4 and 3GP analysers recognise (in any case of letters), which they claim.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // Offered only the sectors with "ftyp" at byte 4 when asked without a leading key.
  std::optional<Anchor> ClaimAnchor() const override;

  // The type an "ftyp" box's brands give (0 for a brand not in the table). `box` is the box as far
  // as it is held; its brands are read up to its size.
  static std::uint32_t getTypeByMajorBrand(quellsy::ByteSpan box);
  // 138 (TREC) when bytes 28-31 of the sector read "free" in any case of letters, else 44 (MP4).
  static std::uint32_t Mp4OrTrec(quellsy::ByteSpan sector);

 protected:
  MovAnalyzer(std::uint32_t type, std::unique_ptr<IRawFileAnalyser> fallback);
};

}  // namespace BruteForce
