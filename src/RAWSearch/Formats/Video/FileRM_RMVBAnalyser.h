#pragma once
// RealMedia files: plain RM measured by its chunk chain, RMVB by the index chunk that closes it.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileRM_RMVBAnalyser : public CPlainRawFileAnalyser {
 public:
  // An end-mark scan that finds no closing index ends the file here.
  static constexpr std::uint64_t kSizeCap = 0x104000000;

  FileRM_RMVBAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_RM) {}

  // True for a RealMedia header that announces a video stream (an RMVB file) within its first bytes.
  static bool bRMFileHeader(quellsy::ByteSpan header);
  // 1 after measuring a plain RM file, 0 after an RMVB one.
  std::uint32_t PlainRM() const { return m_uPlainRM; }

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  struct ChainEnd {
    std::uint64_t offset;
    bool reachedData;
  };
  static ChainEnd WalkChunks(PlainFileWindow& window);

  std::uint32_t m_uPlainRM = 1;
};
