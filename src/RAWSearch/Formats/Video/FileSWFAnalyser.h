#pragma once
// Flash movies, plain ("FWS") or zlib-packed ("CWS"): the header states the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileSWFAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit length, plus 8 for a packed movie.
  static constexpr std::uint64_t kSizeCap = 0x100000007;

  FileSWFAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_SWF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
