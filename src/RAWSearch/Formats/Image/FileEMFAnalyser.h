#pragma once
// Enhanced metafiles: the length stands in the header record.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileEMFAnalyser : public CHeaderSizedRawFileAnalyser {
 public:
  // The header's 32-bit file length.
  static constexpr std::uint64_t kSizeCap = 0xFFFFFFFF;

  FileEMFAnalyser() : CHeaderSizedRawFileAnalyser(RAW_FILE_TYPE_EMF) {}
  // The header record's " EMF" signature.
  std::optional<Anchor> ClaimAnchor() const override;

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
};
