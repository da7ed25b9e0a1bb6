#pragma once
// gzip files: the header's texts are skipped (the stored name names the hit), then the file ends
// in the first sector with a zero tail.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileGZAnalyser : public CPlainRawFileAnalyser {
 public:
  FileGZAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_GZ) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
