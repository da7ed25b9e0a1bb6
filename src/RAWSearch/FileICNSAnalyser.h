#pragma once
// Apple icon files: the length stands in the header.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileICNSAnalyser : public CPlainRawFileAnalyser {
 public:
  FileICNSAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_ICNS) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
