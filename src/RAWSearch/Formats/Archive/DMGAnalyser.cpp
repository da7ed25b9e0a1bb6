#include "RAWSearch/Formats/Archive/DMGAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"

namespace Brance {

DMGAnalyser::DMGAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_DMG, std::make_unique<FileDMGAnalyser>()) {}

int DMGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* DMGAnalyser::CreateRawFileInfo() { return new DMGRawFileInfo(Fallback()); }

DMGAnalyser::DMGRawFileInfo::DMGRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_DMG, fallback, 0, kSizeCap) {}

bool DMGAnalyser::DMGRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  if (!ReachedMarkEnd(sector, sectorSize, sectorNumber, context, FileDMGAnalyser::Trailer())) return true;
  m_llFoundEnd = m_llMarkEnd;
  return false;
}

}  // namespace Brance
