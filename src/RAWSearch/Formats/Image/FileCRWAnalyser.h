#pragma once
// Canon raw images (CIFF heap): measured by finding the record table that ends the file.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileCRWAnalyser : public CPlainRawFileAnalyser {
 public:
  // The record-table search gives up here and takes this as the size.
  static constexpr std::uint64_t kSizeCap = 0x3200000;

  FileCRWAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CRW) {}

  // 1 when the last test passed, else 0.
  std::uint32_t Found() const { return m_uFound; }

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  std::uint32_t m_uFound = 0;
};
