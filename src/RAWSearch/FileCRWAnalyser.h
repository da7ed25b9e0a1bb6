#pragma once
// Canon raw images (CIFF heap): measured by finding the record table that ends the file.

#include "RAWSearch/CPlainRawFileAnalyser.h"

class FileCRWAnalyser : public CPlainRawFileAnalyser {
 public:
  FileCRWAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_CRW) {}

  // 1 when the last test passed, else 0.
  std::uint32_t Found() const { return m_uFound; }

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  std::uint32_t m_uFound = 0;
};
