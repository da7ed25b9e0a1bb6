#pragma once
// Money files: a fixed length, as the header gives none.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMNYAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // Every hit gets this size: the header states none.
  static constexpr std::uint64_t kSizeCap = 0x100000;

  FileMNYAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_MNY) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
