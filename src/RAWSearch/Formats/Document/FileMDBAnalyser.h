#pragma once
// Access databases (Jet and ACE): measured page by page.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMDBAnalyser : public CPlainRawFileAnalyser {
 public:
  // Pages are walked no further than this.
  static constexpr std::uint64_t kSizeCap = 0x6400000;

  FileMDBAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MDB) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
