#pragma once
// Compiled help files (ITSF): the length stands in header section 0.

#include <cstdint>
#include <limits>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileCHMAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 64-bit length, taken as it stands.
  static constexpr std::uint64_t kSizeCap = std::numeric_limits<std::uint64_t>::max();

  FileCHMAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_CHM) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
