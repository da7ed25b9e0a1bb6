#pragma once
// Sigma raw images: measured to the directory ("SECd" and its version 2.0) that closes them, whatever
// follows.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

class FileX3FAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no directory ends the image here.
  static constexpr std::uint64_t kSizeCap = 0x6800000;

  FileX3FAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_X3F) {}

  // The closing directory, looked for in every sector of the image.
  static const EndMark& Directory();

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
