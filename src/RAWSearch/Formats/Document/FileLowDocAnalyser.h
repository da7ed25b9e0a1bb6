#pragma once
// Word documents of the formats before compound files: the length follows from the text end.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileLowDocAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A 32-bit text end plus a 16-bit trailing block, rounded up to 512-byte pages.
  static constexpr std::uint64_t kSizeCap = (std::uint64_t{0xFFFFFFFF} + 0xFFFF + 511) & ~std::uint64_t{511};

  FileLowDocAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_DOC) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
