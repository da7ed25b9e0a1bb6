#pragma once
// Music library files: the header states the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileITLAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileITLAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_ITL) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
