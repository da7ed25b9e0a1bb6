#pragma once
// Minolta raw images: the header block's length and the sensor's size give the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMRWAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header block's 32-bit length, and 16-bit sensor sides of at most 255 bits a pixel.
  static constexpr std::uint64_t kSizeCap = 0x100000007ull + 0xFFFFull * 0xFFFF * 0xFF / 8;

  FileMRWAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_MRW) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
