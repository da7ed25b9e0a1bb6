#pragma once
// Sun/NeXT audio: header length plus stated data length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileAUAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // A 32-bit header length plus a 32-bit data length (all ones means unknown and is refused).
  static constexpr std::uint64_t kSizeCap = std::uint64_t{0xFFFFFFFF} + 0xFFFFFFFE;

  FileAUAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_AU) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
