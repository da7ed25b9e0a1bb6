#include "RAWSearch/Formats/Document/CFH11Analyser.h"

#include <algorithm>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CZeroEndRawFileInfo.h"

namespace BruteForce {

namespace {
constexpr std::uint8_t kHeader[] = {0x02, 0x00, 0x04, 0x1C, 0x01, 0x14, 0x00, 0x02, 0x00, 0x14, 0x1C, 0x01};
constexpr std::size_t kHeaderAt = 4;
constexpr std::size_t kVersionAt = 34;
constexpr std::uint32_t kZeroUnit = 4;
}  // namespace

CFH11Analyser::CFH11Analyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CFH11Analyser::Create() { return new CFH11Analyser(); }

int CFH11Analyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, kVersionAt + 2);
  if (!std::equal(std::begin(kHeader), std::end(kHeader), bytes.begin() + kHeaderAt) ||
      !CPlainRawFileAnalyser::HasText(bytes, kVersionAt, "11"))
    return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_FH11;
  return 1;
}

CRawFileInfo* CFH11Analyser::CreateRawFileInfo() { return new CZeroEndRawFileInfo(kSizeCap, kZeroUnit); }

}  // namespace BruteForce
