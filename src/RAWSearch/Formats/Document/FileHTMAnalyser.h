#pragma once
// HTML documents: measured up to their closing tag.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileHTMAnalyser : public CPlainRawFileAnalyser {
 public:
  // The end mark is looked for no further than this.
  static constexpr std::uint64_t kSizeCap = 0x100000;

  FileHTMAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_HTM) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
