#pragma once
// Cabinet archives of format 1.3: the length stands in the header.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileCABAnalyser : public CPlainRawFileAnalyser {
 public:
  FileCABAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CAB) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
