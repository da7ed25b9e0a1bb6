#pragma once
// Cabinet archives of format 1.3: the length stands in the header.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileCABAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit cabinet length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileCABAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_CAB) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
