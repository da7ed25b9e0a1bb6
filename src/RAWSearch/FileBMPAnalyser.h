#pragma once
// Windows bitmaps with a 40- or 124-byte info header: the length stands in the file header.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileBMPAnalyser : public CPlainRawFileAnalyser {
 public:
  FileBMPAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_BMP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
