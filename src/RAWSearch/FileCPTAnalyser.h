#pragma once
// Corel Photo-Paint images: measured through the index of their last entry.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileCPTAnalyser : public CPlainRawFileAnalyser {
 public:
  FileCPTAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CPT) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
