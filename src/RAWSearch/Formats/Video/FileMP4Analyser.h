#pragma once
// MP4, M4A and M4V files: measured by walking the top-level boxes.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CRawBoxFileAnalyser.h"

class FileMP4Analyser : public CPlainRawFileAnalyser {
 public:
  // The box walk of the frame.
  static constexpr std::uint64_t kSizeCap = CRawBoxFileAnalyser::kSizeCap;

  FileMP4Analyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MP4) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
