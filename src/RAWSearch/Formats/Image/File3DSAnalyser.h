#pragma once
// 3D Studio meshes: measured by the main chunk's length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class File3DSAnalyser : public CPlainRawFileAnalyser {
 public:
  // A walk that passes this ends the file here.
  static constexpr std::uint64_t kSizeCap = 1000000000;

  File3DSAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_3DS) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
