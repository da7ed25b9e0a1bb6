#pragma once
// Standard MIDI files: measured by walking the track chunks.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileMIDAnalyser : public CPlainRawFileAnalyser {
 public:
  FileMIDAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MID) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
