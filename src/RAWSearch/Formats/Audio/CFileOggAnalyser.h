#pragma once
// Ogg streams: measured by walking the pages to the first place that holds no page.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class CFileOggAnalyser : public CPlainRawFileAnalyser {
 public:
  // A page walk that passes this ends the stream here.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  CFileOggAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_OGG) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
