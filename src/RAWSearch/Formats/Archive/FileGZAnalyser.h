#pragma once
// gzip files: the header's texts are skipped (the stored name names the hit), then the members are
// inflated and the file ends behind the last one's trailer (GzMemberWalk); a stream that does not
// inflate ends in the first sector with a zero tail.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileGZAnalyser : public CPlainRawFileAnalyser {
 public:
  // The measurement stops here; the zero-tail scan may end one sector behind it.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  FileGZAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_GZ) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
