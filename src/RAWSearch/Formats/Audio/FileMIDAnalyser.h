#pragma once
// Standard MIDI files: measured by walking the track chunks.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMIDAnalyser : public CPlainRawFileAnalyser {
 public:
  // A track walk that would pass this ends the file here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileMIDAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MID) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
