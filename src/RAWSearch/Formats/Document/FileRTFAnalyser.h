#pragma once
// Rich-text documents: measured to the brace that closes the outermost group.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileRTFAnalyser : public CPlainRawFileAnalyser {
 public:
  // A document still open here ends here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileRTFAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_RTF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
