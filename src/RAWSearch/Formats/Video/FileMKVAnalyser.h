#pragma once
// Matroska and WebM files: the segment that follows the EBML header states its own length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMKVAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A longer stated segment is no file's.
  static constexpr std::uint64_t kSizeCap = 0x10000000000;

  FileMKVAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_MKV) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
