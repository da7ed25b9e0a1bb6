#pragma once
// LHA archives: measured by walking the chain of entry headers.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileLZHAnalyser : public CPlainRawFileAnalyser {
 public:
  FileLZHAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_LZH) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
