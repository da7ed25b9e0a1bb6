#pragma once
// Corel Photo-Paint images: measured through the index of their last entry.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileCPTAnalyser : public CPlainRawFileAnalyser {
 public:
  // A 32-bit object offset plus a 32-bit length, as the index gives them.
  static constexpr std::uint64_t kSizeCap = std::uint64_t{0xFFFFFFFF} + 0xFFFFFFFF;

  FileCPTAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CPT) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
