#pragma once
// Word documents of the formats before compound files: the length follows from the text end.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileLowDocAnalyser : public CPlainRawFileAnalyser {
 public:
  FileLowDocAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_DOC) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
