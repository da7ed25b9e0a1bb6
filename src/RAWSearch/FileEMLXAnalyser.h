#pragma once
// Mail messages saved one per file with a leading byte count line.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileEMLXAnalyser : public CPlainRawFileAnalyser {
 public:
  FileEMLXAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_EMLX) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
