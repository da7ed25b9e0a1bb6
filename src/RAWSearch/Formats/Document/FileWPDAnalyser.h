#pragma once
// WordPerfect documents, graphics and slide shows: the header states the length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileWPDAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileWPDAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_WPD) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
