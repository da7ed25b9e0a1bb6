#pragma once
// Compiled help files (ITSF): the length stands in header section 0.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileCHMAnalyser : public CPlainRawFileAnalyser {
 public:
  FileCHMAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CHM) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
