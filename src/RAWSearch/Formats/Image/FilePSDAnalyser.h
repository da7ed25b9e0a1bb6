#pragma once
// Photoshop images: measured through the header sections to the end of the merged image data.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FilePSDAnalyser : public CPlainRawFileAnalyser {
 public:
  // A longer image measures as this much.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FilePSDAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_PSD) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
