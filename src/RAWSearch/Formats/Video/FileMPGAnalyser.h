#pragma once
// MPEG program streams: measured by walking packs and packets until a run of zeros or a lost start code.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMPGAnalyser : public CPlainRawFileAnalyser {
 public:
  // A walk that passes this ends the stream here.
  static constexpr std::uint64_t kSizeCap = 0x82000000;

  FileMPGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MPG) {}

  // The start sector and the end sector (the measured length in whole sectors, counted from the device
  // start) of the hit measured last; 0 before the first.
  long long LastStartSector() const { return m_llLastStart; }
  long long LastEndSector() const { return m_llLastEnd; }

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  long long m_llLastStart = 0;
  long long m_llLastEnd = 0;
};
