#pragma once
// TIFF files and the camera raw formats built on TIFF, found by their first sector and grown sector
// by sector: the record follows the directory chain, the sub-directories (Exif, sub-IFDs, maker
// notes) and the strip, tile and thumbnail extents while they stream past, keeps the furthest byte
// any of them reaches as its end estimate, and types the file by the camera maker. Once every directory
// is read and the picture data measured, the file ends at that furthest byte, whatever follows; until
// then a zero tail past the estimate ends it. Headers it does not follow, and hits it cannot finish, go
// to the plain TIFF analyser.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

class TiffAnalyzer : public CBruteForceAnalyser {
 public:
  class TiffRawFileInfo : public CBruteForceRawFileInfo {
   public:
    static constexpr long long kInitialEstimate = 8192;
    // A first directory further in than this is left to the plain analyser.
    static constexpr long long kFirstIfdReach = 0x400000;
    // Directories read per record; more hand the hit to the plain analyser.
    static constexpr int kMaxIfdVisits = 11;
    // A file this long may end where the estimate says without a zero tail.
    static constexpr long long kLargeFile = 0xA00001;
    // Estimates above this give sizes in whole sectors.
    static constexpr long long kWholeSectorsAbove = 0xFFFFF;
    static constexpr long long kCap = 0x4E000000;

    explicit TiffRawFileInfo(IRawFileAnalyser* fallback);

    // 2 = show me the next sector; 1 = finished (size 0: the plain analyser measures it).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

    long long PreviewOffset() const { return m_llPreviewOffset; }
    std::uint32_t PreviewSize() const { return m_uPreviewSize; }

   private:
    // The bytes of the file the search holds now, by offset from the file's start.
    struct Held {
      const unsigned char* first = nullptr;  // the byte at offset `from`
      long long from = 0;
      long long to = 0;
      quellsy::ByteSpan Span(long long offset, long long length) const;
    };
    // A directory still to read: where it lies and the origin its offsets count from.
    struct Pending {
      long long base = 0;
      bool little = true;
      bool makerNote = false;
    };
    enum class Read { kDone, kLater };
    struct Entry {
      std::uint16_t tag = 0;
      std::uint16_t type = 0;
      std::uint32_t typeSize = 0;
      std::uint32_t count = 0;
      std::uint32_t valueOffset = 0;
      long long byteSize = 0;
      std::uint32_t value = 0;
      long long at = 0;
      long long base = 0;
      bool little = true;
    };

    void Header(const Held& held);
    void Queue(long long offset, long long base, bool little, bool makerNote = false);
    // Reads the directory at `ifd` when the search holds all of it; kLater when it reaches past what
    // the search holds yet.
    Read CheckIFD(const Held& held, long long ifd, const Pending& where);
    // Where a maker note's directory lies behind the maker's own header.
    Read MakerNote(const Held& held, long long note, const Pending& where);
    void Handle(const Held& held, const Entry& e);
    // A picture whose start and length are known: the preview when it is a JPEG, a candidate when
    // its start was not held yet.
    void Picture(long long offset, std::uint32_t size, bool jpeg, bool pending);
    void SubIfds(const Held& held, const Entry& e);
    void Raise(long long end) {
      m_llEndEstimate = std::max(m_llEndEstimate, end);
      m_llStructureEnd = std::max(m_llStructureEnd, end);
    }
    std::optional<std::uint32_t> Element(const Held& held, const Entry& e, std::uint32_t index);
    std::string TextAt(const Held& held, const Entry& e);
    void CheckCandidates(const Held& held, long long through);
    bool ZeroPastEstimate(quellsy::ByteSpan here, long long extent) const;
    // Raises the estimate over the end of every strip or tile of a picture; notes whether all of them
    // were measured (every element held, no more pieces than are looked at).
    void MeasurePieces(const Held& held, const Entry& offsets, const Entry& counts);
    // `here` is the sector that ends at `extent`.
    int Finish(quellsy::ByteSpan here, long long sectorNumber, long long extent);
    // Ends the file at `end`, the structure's furthest byte (and a zero pad byte behind an odd end).
    int FinishAt(const Held& held, long long end, int sectorSize);
    void SetName(long long lastSector);

    bool m_bLittleEndian = true;
    bool m_bDone = false;
    bool m_bRW2 = false;
    bool m_bDNG = false;
    bool m_bLengthSeen = false;
    // Some picture's pieces were all measured; some picture's could not be.
    bool m_bPiecesMeasured = false;
    bool m_bPieceUnmeasured = false;
    bool m_bMakeSeen = false;
    bool m_bModelSeen = false;
    int m_nIfdVisits = 0;
    long long m_llEndEstimate = kInitialEstimate;
    // The furthest byte the structures read so far reach (the estimate without its initial guess).
    long long m_llStructureEnd = 0;
    long long m_llPixelCount = -2147483648LL;
    long long m_llPreviewOffset = 0;
    std::uint32_t m_uPreviewSize = 0;
    // A strip or thumbnail whose start was held and is a JPEG picture, or not held yet (pending).
    long long m_llStripOffset = 0;
    bool m_bStripJpeg = false;
    bool m_bStripPending = false;
    long long m_llThumbnailOffset = 0;
    bool m_bThumbnailJpeg = false;
    bool m_bThumbnailPending = false;
    std::uint32_t m_uWidth = 0;
    std::uint32_t m_uHeight = 0;
    Entry m_tileOffsets;
    Entry m_stripOffsets;
    std::string m_strMake;
    std::string m_strModel;
    // Directories to read as the stream reaches them, and those already read.
    std::map<long long, Pending> m_pending;
    std::set<long long> m_visited;
    // Embedded pictures to test for a JPEG start, by offset, with their sizes.
    std::map<long long, std::uint32_t> m_candidates;
  };

  // Records grow no further than this.
  static constexpr long long kSizeCap = TiffRawFileInfo::kCap;

  TiffAnalyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // II 2A 00, II 55 00, IIRO, IIRS, MM 00 2A, MMOR, or the container's "FUJIFILMCCD-RAW ".
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
