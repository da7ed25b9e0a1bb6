#pragma once
// bzip2-compressed disk images: measured to the "koly" trailer that closes them.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileDMGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no trailer ends the image here.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  FileDMGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_DMG) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
