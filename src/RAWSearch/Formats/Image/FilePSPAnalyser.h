#pragma once
// Paint Shop Pro images: measured by walking the main blocks.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FilePSPAnalyser : public CPlainRawFileAnalyser {
 public:
  // A block walk that passes this ends the image here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FilePSPAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_PSP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
