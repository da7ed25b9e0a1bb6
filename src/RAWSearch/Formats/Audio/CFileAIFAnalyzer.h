#pragma once
// AIFF and AIFF-C sound files: the FORM chunk states the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class CFileAIFAnalyzer : public CHeaderSizedRawFileAnalyser {
 public:
  // The FORM chunk's 32-bit length and its 8-byte header.
  static constexpr std::uint64_t kSizeCap = 0x100000007;

  CFileAIFAnalyzer() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_AIFF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
