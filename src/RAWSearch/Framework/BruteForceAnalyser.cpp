#include "RAWSearch/Framework/BruteForceAnalyser.h"

#include <string>

namespace BruteForce {

CBruteForceAnalyser::CBruteForceAnalyser(std::uint32_t type, std::unique_ptr<IRawFileAnalyser> fallback)
    : IRawFileAnalyser(type), m_pFallback(std::move(fallback)) {}

int CBruteForceAnalyser::GetRawFileSize(CRawFileInfo&, IStorageDevice*) { return 0; }

CBruteForceRawFileInfo::CBruteForceRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback) : m_pFallback(fallback) {
  m_uRawFileType = type;
}

void CBruteForceRawFileInfo::WillBeRemove(unsigned char*, long long) { m_pAnalyser = m_pFallback; }

void CBruteForceRawFileInfo::SetStemName(long long endSector) {
  SetRawFileName(std::to_string(m_llStartSector) + "-" + std::to_string(endSector) + "_");
}

}  // namespace BruteForce
