#pragma once
// Enhanced metafiles: the length stands in the header record.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileEMFAnalyser : public CPlainRawFileAnalyser {
 public:
  FileEMFAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_EMF) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
