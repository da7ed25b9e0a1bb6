#pragma once
// PDF documents (and Illustrator files) found by their first sector and grown sector by sector: the
// record reads the document information dictionary as it streams past (title, author, creator,
// producer, dates), and ends the file after its last "%%EOF" whose "startxref" points at a
// cross-reference section inside it (PdfEndWalk), whatever follows. A document without an end mark the
// walk can read ends in the first sector whose zero tail follows an "%%EOF": right after it and its line
// end when they close the data, at the sector's end otherwise. Small files, files past the cap and
// records that leave the growing set go to the plain PDF analyser.

#include <cstdint>

#include "RAWSearch/Framework/PdfEndWalk.h"
#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Metadata/FileProperty.h"
#include "RAWSearch/Metadata/PdfTitleAnalyzer.h"

namespace BruteForce {

class PdfAnalyzer : public CBruteForceAnalyser {
 public:
  class PdfRawFileInfo : public CBruteForceRawFileInfo {
   public:
    // Files shorter than this are left to the plain analyser.
    static constexpr long long kMinSize = 20480;
    static constexpr long long kCap = 200000000;
    // Bytes at the start in which an Illustrator header is looked for.
    static constexpr int kAiBytes = 4095;

    explicit PdfRawFileInfo(IRawFileAnalyser* fallback);

    // 2 = show me the next sector; 1 = finished (size 0 hands the hit to the plain analyser).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Keeps the name and label read so far for the plain analyser's measurement.
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

    // Name, label and time from the document information (fields as the reader fills them).
    void PdfTagDealwith(const FileProperty& information);

    bool m_bMetadataPending = true;
    FileProperty m_information;

   private:
    // Size 0, finished: the plain analyser measures the file.
    int HandOver();
    // Ends the file where the walk says (the last valid end, else the last end mark), or hands a file
    // without one, or a small one, to the plain analyser.
    int EndOrHandOver(long long sectorNumber);
    // Name, label and time of a file ending in sector `sectorNumber`.
    void Name(long long sectorNumber);
    void JudgeAI(const unsigned char* sector, int length);
    // True when an end mark stands before the zero tail of the sector: the file ends in it.
    bool HasEndMark(const unsigned char* sector, int sectorSize, long long sectorNumber,
                    const SearchContext& context) const;
    // The file's end in its last sector, once HasEndMark found a mark there.
    long long ClosingEnd(const unsigned char* sector, int sectorSize, long long sectorNumber, long long offset,
                         const SearchContext& context) const;

    bool m_bAiPending = true;
    PdfTitleAnalyzer m_titleAnalyzer;
    PdfEndWalk m_walk;
  };

  static constexpr long long kSizeCap = PdfRawFileInfo::kCap;

  PdfAnalyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // "%PDF-" at 0; or "%!PS-Adobe" at 0 with "Adobe Illustrator" and without " EPSF-" in the first
  // 512 bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
