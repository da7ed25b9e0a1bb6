#pragma once
// PNG images: measured by walking the chunks to IEND.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FilePNGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A chunk walk that passes this ends the image here; a longer chunk ends it before that chunk.
  static constexpr std::uint64_t kSizeCap = 0x1400000;

  FilePNGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_PNG) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
