#pragma once
// HTML pages in UTF-16 little-endian: measured to the closing html tag.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileUnicodeHTMAnalyser : public CPlainRawFileAnalyser {
 public:
  // A page without its closing tag ends here.
  static constexpr std::uint64_t kSizeCap = 0x100000;

  FileUnicodeHTMAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_HTM) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
