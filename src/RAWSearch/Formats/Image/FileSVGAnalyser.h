#pragma once
// SVG drawings and the XML documents found with them (GPX tracks, property lists): measured to their closing tag.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileSVGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no closing tag ends the document here.
  static constexpr std::uint64_t kSizeCap = 0x500000;

  FileSVGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_SVG) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
