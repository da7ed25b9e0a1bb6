#pragma once
// POSIX and GNU tar archives: measured by walking the entry headers to the two zero blocks that end the archive.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileTARAnalyser : public CPlainRawFileAnalyser {
 public:
  // A header walk that would pass this ends the archive here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileTARAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_TAR) {}

  // A header's octal size field: digits weighted from the first; other characters count as 0 and the
  // field's last adds nothing.
  static std::uint32_t OctStringToint(quellsy::ByteSpan field);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
