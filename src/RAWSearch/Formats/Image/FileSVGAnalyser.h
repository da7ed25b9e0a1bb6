#pragma once
// SVG drawings and the XML documents found with them (GPX tracks, property lists): measured to their
// closing tag and the line end behind it (TextEndWalk).

#include <cstdint>
#include <span>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileSVGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no closing tag ends the document here.
  static constexpr std::uint64_t kSizeCap = 0x500000;

  FileSVGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_SVG) {}

  // The tag that closes a document of the type (SVG, GPX, PLIST, ENEX or CSL).
  static std::span<const std::string_view> Closings(std::uint32_t type);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
