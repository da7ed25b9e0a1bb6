#pragma once
// TrueType fonts: the table directory gives the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileTTFAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // At most 31 tables of a 32-bit length each, rounded to 4 bytes, behind their directory.
  static constexpr std::uint64_t kSizeCap = 12 + 16 * 31 + 31 * 0x100000000ull;

  FileTTFAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_TTF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
