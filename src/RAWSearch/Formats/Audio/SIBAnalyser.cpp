#include "RAWSearch/Formats/Audio/SIBAnalyser.h"

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 512;

}  // namespace

SIBAnalyser::SIBAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_SIB, nullptr) {}

int SIBAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || sector[0] != 0x0F) return 0;
  if (!CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 9), 1, "SIBELIUS", true)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* SIBAnalyser::CreateRawFileInfo() { return new SIBRawFileInfo(); }

SIBAnalyser::SIBRawFileInfo::SIBRawFileInfo()
    : CStreamingZeroTailRawFileInfo(RAW_FILE_TYPE_SIB, nullptr, kMinimum, 0, kSizeCap) {}

}  // namespace RawSpeed
