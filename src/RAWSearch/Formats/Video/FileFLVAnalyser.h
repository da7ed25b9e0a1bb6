#pragma once
// Flash video: measured by walking the tags through their back-pointers.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileFLVAnalyser : public CPlainRawFileAnalyser {
 public:
  // A tag walk that passes this ends the file here.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  FileFLVAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_FLV) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
