#include "RAWSearch/Formats/Document/RTFAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Document/FileRTFAnalyser.h"

namespace RawSpeed {

RTFAnalyser::RTFAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_RTF, std::make_unique<FileRTFAnalyser>()) {}

int RTFAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || sector[4] != 'f') return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* RTFAnalyser::CreateRawFileInfo() { return new RTFRawFileInfo(Fallback()); }

RTFAnalyser::RTFRawFileInfo::RTFRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingTextRawFileInfo(RAW_FILE_TYPE_RTF, fallback, kSizeCap, {}, true) {}

long long RTFAnalyser::RTFRawFileInfo::Length(std::uint64_t end, const HeldFile& held) const {
  const bool terminated = end >= held.first && end - held.first < held.bytes.size() && held.bytes[end - held.first] == 0;
  return static_cast<long long>(end) + (terminated ? 1 : 0);
}

}  // namespace RawSpeed
