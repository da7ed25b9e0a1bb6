#pragma once
// Access databases (Jet and ACE): measured page by page.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileMDBAnalyser : public CPlainRawFileAnalyser {
 public:
  FileMDBAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MDB) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
