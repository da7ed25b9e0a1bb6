#pragma once
// Windows bitmaps with a 40- or 124-byte info header: the length stands in the file header.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileBMPAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit file length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileBMPAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_BMP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
