#pragma once
// bzip2-compressed disk images: measured to the 512-byte "koly" trailer (its version 4 and its own
// length following the word) that closes them, whatever follows.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

class FileDMGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no trailer ends the image here.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  FileDMGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_DMG) {}

  // The trailer, looked for in every sector of the image.
  static const EndMark& Trailer();

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
