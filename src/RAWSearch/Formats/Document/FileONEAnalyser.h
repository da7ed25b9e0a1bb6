#pragma once
// OneNote sections: measured by the expected file length of their header.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileONEAnalyser : public CPlainRawFileAnalyser {
 public:
  // A stated length above this measures as this much.
  static constexpr std::uint64_t kSizeCap = 0x1A000000;

  FileONEAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_ONE) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
