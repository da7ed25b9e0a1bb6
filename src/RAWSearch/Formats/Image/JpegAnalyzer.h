#pragma once
// JPEG images found by their first sector and grown sector by sector: the record walks the marker
// segments and the entropy-coded data of every scan while they stream past and ends the file at the
// end-of-image marker behind the last scan, whatever follows it; the Exif block names it (camera make and
// model, capture time). A file whose walk cannot finish (damaged, cut, or past the cap) is ended by the
// zero-tail rules instead, at an end-of-image marker followed by zeros to its sector's end, or closing
// its sector, past the point the Exif block says the picture must reach, and marked incomplete. Hits it
// cannot finish go to the plain JPEG analyser.

#include <cstdint>
#include <optional>

#include "RAWSearch/Framework/JpegMarkerWalk.h"
#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

class JpegAnalyzer : public CBruteForceAnalyser, public ISpecialRawFileAnalyser {
 public:
  class JpegRawFileInfo : public CBruteForceRawFileInfo, private JpegMarkerWalk::Listener {
   public:
    static constexpr long long kInitialMinimumEnd = 1024;
    static constexpr long long kExifCap = 52428800;
    static constexpr long long kPlainCap = 0x1400000;

    explicit JpegRawFileInfo(IRawFileAnalyser* fallback);

    // 2 = show me the next sector; 1 = finished, with the size and name set.
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Walks the header of a file that starts without JFIF or Exif, within the buffered data (up to
    // blockEndSector), to its start of scan: 3-component 8-bit frames only. On success the minimum end
    // lies just past the scan header.
    bool GetRawFileSizeForJpgNonJFIFFile(const unsigned char* sector, long long sectorNumber, int sectorSize,
                                         long long bufferFirstSector, long long blockEndSector);

    // Bytes from the start below which an end marker is not the picture's own end.
    long long m_llMinEnd = kInitialMinimumEnd;
    // Width x height once known; 0 = not yet.
    long long m_llPixelCount = 0;
    long long m_llCap = kExifCap;
    // The structure walk, and the end the zero-tail rules gave while it went on (0 = none yet) with the
    // sector they gave it in.
    JpegMarkerWalk m_walk;
    long long m_llFallbackEnd = 0;
    long long m_llFallbackSector = 0;
    // 1 when the file starts with an Exif segment.
    std::uint32_t m_uExif = 0;
    // Directories read from Exif blocks so far.
    std::uint32_t m_uIfdVisits = 0;
    // The previous sector shown (0 = none).
    long long m_llLastSector = 0;

   private:
    // `exifWord` points at the word "Exif" of an APP1 segment, whose length field lies before it.
    void FindExifCameraInfo(const unsigned char* exifWord, const unsigned char* dataEnd);
    // One directory at `ifd` (offset in the TIFF data), the sub-directories it links to and the next.
    void AnalyzeExifTag(quellsy::ByteSpan tiff, std::uint64_t ifd, bool littleEndian, std::uint16_t length);
    // The header's frame size and Exif blocks for the zero-tail rules (when the first sector gave none).
    void OnSegment(const JpegMarkerWalk::Segment& segment) override;
    // Where the zero-tail rules end the file in this sector (the cap included), if they do.
    std::optional<long long> ZeroTailEnd(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                         const SearchContext& context, long long extent) const;
    // Sets the size (marked incomplete when the walk could not give it) and returns 1.
    int Finish(long long size, bool incomplete);
    // The end test on a sector with a zero tail: whether the end lies here and where (see the .cpp).
    bool FindEndMarker(const unsigned char* sector, int sectorSize, long long sectorNumber,
                       const SearchContext& context, long long& endOffset) const;
    // FF D9 closing the sector, before zero bytes however few or as its last two bytes (see the .cpp);
    // endOffset is then just past the D9.
    bool ClosesWithEndMarker(const unsigned char* sector, int sectorSize, long long extent,
                             long long& endOffset) const;
    void ComposeName(long long lastSector);

    // Set once the Exif block gave the picture's size: no further directory is read.
    bool m_bSizeEstimated = false;
    // The walk's header segments feed the zero-tail rules.
    bool m_bHeaderWalk = false;
  };

  // A record grows no further than its cap: this one with an Exif block, the plain one without.
  static constexpr long long kSizeCap = JpegRawFileInfo::kExifCap;

  JpegAnalyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // JFIF or Exif at offset 6 (without regard to case), or a sector starting FF D8 FF DB / FF D8 FF EE.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  // As AnalyseBuffer, but a DB or EE start is taken only when its header walks to a start of scan
  // within the buffered data.
  int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override;
  CRawFileInfo* CreateRawFileInfo() override;
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }
};

}  // namespace BruteForce
