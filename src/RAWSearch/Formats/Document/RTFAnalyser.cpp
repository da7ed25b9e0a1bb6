#include "RAWSearch/Formats/Document/RTFAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Document/FileRTFAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;
constexpr long long kTerminatingZero = 1;

}  // namespace

RTFAnalyser::RTFAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_RTF, std::make_unique<FileRTFAnalyser>()) {}

int RTFAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || sector[4] != 'f') return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* RTFAnalyser::CreateRawFileInfo() { return new RTFRawFileInfo(Fallback()); }

RTFAnalyser::RTFRawFileInfo::RTFRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_RTF, fallback, kMinimum, 0, kSizeCap) {}

int RTFAnalyser::RTFRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  return ZeroTailEnd(sector, sectorSize, sectorNumber, context, 8, kTerminatingZero);
}

}  // namespace RawSpeed
