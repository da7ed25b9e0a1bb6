#pragma once
// StuffIt archives: version 5 states its length; StuffIt X is measured by its closing mark.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

class FileSITAnalyser : public CPlainRawFileAnalyser {
 public:
  // A StuffIt X without its closing mark ends here; so does a stated length that is negative as a 32-bit value.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  FileSITAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_SIT) {}

  // The closing mark of StuffIt X, in its three forms, looked for in every sector of the archive.
  static const EndMark& ClosingMark();

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
