#pragma once
// HTML documents: measured up to their closing tag.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileHTMAnalyser : public CPlainRawFileAnalyser {
 public:
  FileHTMAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_HTM) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
