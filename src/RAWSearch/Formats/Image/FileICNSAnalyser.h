#pragma once
// Apple icon files: the length stands in the header.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileICNSAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A longer stated length is no icon file.
  static constexpr std::uint64_t kSizeCap = 0xA66666;

  FileICNSAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_ICNS) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
