#pragma once
// Icon and cursor files: the length is summed from the image directory.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileICOAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A longer stated length is no icon file.
  static constexpr std::uint64_t kSizeCap = 0x100000;

  FileICOAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_ICO) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
