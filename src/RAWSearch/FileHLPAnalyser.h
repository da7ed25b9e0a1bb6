#pragma once
// Windows help files: the length stands in the header.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileHLPAnalyser : public CPlainRawFileAnalyser {
 public:
  FileHLPAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_HLP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
