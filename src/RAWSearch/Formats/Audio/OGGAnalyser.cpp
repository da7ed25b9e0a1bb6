#include "RAWSearch/Formats/Audio/OGGAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Audio/CFileOggAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace Brance {

namespace {

constexpr std::size_t kPageHeader = 27;
constexpr std::size_t kSegmentCountAt = 26;
constexpr int kPagesPerCall = 512;

}  // namespace

OGGAnalyser::OGGAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_OGG, std::make_unique<CFileOggAnalyser>()) {}

int OGGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || m_followed) return 0;
  if (!CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 4), 0, "OggS")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* OGGAnalyser::CreateRawFileInfo() { return new OGGRawFileInfo(*this, Fallback()); }

OGGAnalyser::OGGRawFileInfo::OGGRawFileInfo(OGGAnalyser& owner, IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_OGG, fallback, 0, kSizeCap), m_owner(owner) {}

void OGGAnalyser::OGGRawFileInfo::StopFollowing() {
  if (m_owner.m_followed == m_llStartSector) m_owner.m_followed.reset();
}

int OGGAnalyser::OGGRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (sectorNumber == m_llStartSector) m_owner.m_followed = m_llStartSector;
  const int result = CBranchRawFileInfo::CalcRawSize(sector, sectorSize, sectorNumber, context);
  if (result == 1) StopFollowing();
  return result;
}

void OGGAnalyser::OGGRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  StopFollowing();
  CBranchRawFileInfo::WillBeRemove(sector, sectorNumber);
}

bool OGGAnalyser::OGGRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long sectorEnd = FileOffset(sectorNumber, sectorSize) + sectorSize;
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  for (int pages = 0; pages < kPagesPerCall; ++pages) {
    if (m_llNext >= sectorEnd) return true;
    const auto at = held.At(m_llNext, kPageHeader);
    // A page header or segment table the search does not hold yet is read with the next sector.
    if (!at) {
      if (m_llNext < held.first) return false;
      return true;
    }
    const std::size_t count = held.bytes[*at + kSegmentCountAt];
    if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, "OggS") || count == 0) {
      m_llFoundEnd = m_llNext;
      return false;
    }
    const auto table = held.At(m_llNext + static_cast<long long>(kPageHeader), count);
    if (!table) return true;
    long long length = static_cast<long long>(kPageHeader + count);
    for (std::size_t i = 0; i < count; ++i) length += held.bytes[*table + i];
    m_llNext += length;
  }
  return true;
}

}  // namespace Brance
