#pragma once
// Money files: a fixed length, as the header gives none.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileMNYAnalyser : public CPlainRawFileAnalyser {
 public:
  FileMNYAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MNY) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
