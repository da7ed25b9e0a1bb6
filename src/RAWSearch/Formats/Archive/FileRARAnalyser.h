#pragma once
// RAR archives of versions 1.5 to 4: measured by walking the block headers to the end block.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileRARAnalyser : public CPlainRawFileAnalyser {
 public:
  // A block walk that passes this ends the archive there.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileRARAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_RAR) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
