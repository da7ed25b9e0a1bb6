#pragma once
// LHA archives: measured by walking the chain of entry headers.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileLZHAnalyser : public CPlainRawFileAnalyser {
 public:
  // A header walk that would pass this ends the archive here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileLZHAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_LZH) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
