#pragma once
// Sun/NeXT audio: header length plus stated data length.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileAUAnalyser : public CPlainRawFileAnalyser {
 public:
  FileAUAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_AU) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
