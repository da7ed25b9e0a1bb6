#pragma once
// Mailbox files: measured to the end of the text of their last message.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMboxAnalyser : public CPlainRawFileAnalyser {
 public:
  // A scan that finds no end ends the mailbox here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileMboxAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MBOX) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
