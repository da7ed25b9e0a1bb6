#pragma once
// Windows metafiles, with or without the placeable header: the header states the length in 16-bit words.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileWMFAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // Twice a 32-bit word count, and the placeable header in front.
  static constexpr std::uint64_t kSizeCap = 0x1FFFFFFFEull + 22;

  FileWMFAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_WMF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
