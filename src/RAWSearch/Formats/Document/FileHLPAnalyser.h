#pragma once
// Windows help files: the length stands in the header.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileHLPAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit file length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileHLPAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_HLP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
