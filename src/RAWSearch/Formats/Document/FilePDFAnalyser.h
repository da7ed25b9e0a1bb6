#pragma once
// The plain analyser of PDF documents (and Illustrator files saved as PDF-compatible PostScript). It
// is not in the registry: the growing PDF analyser owns one and hands it the hits it could not end,
// which are then measured from the device: a document ends after its last "%%EOF" whose "startxref"
// points at a cross-reference section inside it (PdfEndWalk). One without an end mark the walk can read
// is measured by looking for "%%EOF" in every sector that ends in zeros: a document whose data close
// with the mark and its line end ends there; any other, in whole sectors.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FilePDFAnalyser : public CPlainRawFileAnalyser {
 public:
  // The end-mark scan stops past this offset.
  static constexpr std::uint64_t kSizeCap = 0xD000000;
  // Bytes the Illustrator test of the claim looks at.
  static constexpr std::size_t kClaimAiBytes = 200;
  // Offsets at which the measurement looks for an Illustrator header.
  static constexpr std::uint64_t kAiSearchBytes = 1024;

  FilePDFAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_PDF) {}

  // True when `text` holds an object header, a cross-reference or trailer keyword.
  virtual bool IsContainPdfKeyWords(const char* text);

  // "%PDF-", or "%!PS-Adobe" with "Adobe Illustrator" and without " EPSF-" in `bytes`: the type, or
  // RAW_FILE_TYPE_NONE.
  static std::uint32_t DocumentType(quellsy::ByteSpan bytes);
  // True when `data` closes with "%%EOF" and at most its line end (CR, LF or CR LF): a document that
  // stops there ends exactly there.
  static bool ClosesWithEndMark(quellsy::ByteSpan data);
  // The length of `sector` without its trailing zero bytes.
  static std::size_t DataLength(quellsy::ByteSpan sector);
  // The most bytes a closing end mark and its line end take.
  static constexpr std::size_t kClosingBytes = 7;

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  // The end PdfEndWalk gives within kSizeCap: the last valid end, else the last end mark; 0 = none.
  static std::uint64_t WalkToEnd(PlainFileWindow& window);
};
