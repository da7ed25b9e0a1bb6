#pragma once
// Icon and cursor files: the length is summed from the image directory.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileICOAnalyser : public CPlainRawFileAnalyser {
 public:
  FileICOAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_ICO) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
