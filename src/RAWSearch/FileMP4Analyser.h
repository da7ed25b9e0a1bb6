#pragma once
// MP4, M4A and M4V files: measured by walking the top-level boxes.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileMP4Analyser : public CPlainRawFileAnalyser {
 public:
  FileMP4Analyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MP4) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
