#pragma once
// Outlook personal folders: the header states the file's end.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FilePSTAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A longer stated end is no file's.
  static constexpr std::uint64_t kSizeCap = 0x10000000000;

  FilePSTAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_PST) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
