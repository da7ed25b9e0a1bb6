#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

CBruteForceAnalyser::CBruteForceAnalyser(std::uint32_t type, std::unique_ptr<IRawFileAnalyser> fallback)
    : IRawFileAnalyser(type), m_pFallback(std::move(fallback)) {}

int CBruteForceAnalyser::GetRawFileSize(CRawFileInfo&, IStorageDevice*) { return 0; }

CBruteForceRawFileInfo::CBruteForceRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback) : m_pFallback(fallback) {
  m_uRawFileType = type;
}

void CBruteForceRawFileInfo::WillBeRemove(unsigned char*, long long) { m_pAnalyser = m_pFallback; }

}  // namespace BruteForce
