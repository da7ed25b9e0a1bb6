#pragma once
// The plain analyser of PDF documents (and Illustrator files saved as PDF-compatible PostScript). It
// is not in the registry: the growing PDF analyser owns one and hands it the hits it could not end,
// which are then measured from the device by looking for "%%EOF" in every sector that ends in zeros.

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

  // The length of the line break (CR LF, LF or CR) that `behindMark`, the bytes right behind an end mark,
  // starts with: a document ends with its last mark and that line break.
  static std::size_t LineBreakLength(quellsy::ByteSpan behindMark);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
