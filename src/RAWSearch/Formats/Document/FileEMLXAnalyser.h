#pragma once
// Mail messages saved one per file with a leading byte count line.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileEMLXAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The largest ten-digit byte count plus the property list behind the message.
  static constexpr std::uint64_t kSizeCap = 9999999999ull + 402;

  FileEMLXAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_EMLX) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
