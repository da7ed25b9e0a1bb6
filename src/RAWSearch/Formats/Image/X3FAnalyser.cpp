#include "RAWSearch/Formats/Image/X3FAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"

namespace Brance {

X3FAnalyser::X3FAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_X3F, std::make_unique<FileX3FAnalyser>()) {}

int X3FAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* X3FAnalyser::CreateRawFileInfo() { return new X3FRawFileInfo(Fallback()); }

// The walk gives up once it reaches the cap itself.
X3FAnalyser::X3FRawFileInfo::X3FRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_X3F, fallback, 0, kSizeCap, 1) {}

bool X3FAnalyser::X3FRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  if (!ReachedMarkEnd(sector, sectorSize, sectorNumber, context, FileX3FAnalyser::Directory())) return true;
  m_llFoundEnd = m_llMarkEnd;
  return false;
}

}  // namespace Brance
