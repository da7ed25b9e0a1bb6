#include "RAWSearch/Formats/Video/FLVAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace Brance {

namespace {

constexpr long long kFirstTag = 9;
// Previous-tag size (4), type (1), data size (3).
constexpr std::size_t kTagFields = 8;
// The tag header (11) and the size field behind the tag (4).
constexpr long long kTagFraming = 15;
constexpr int kTagsPerCall = 1024;

bool KnownTag(std::uint8_t type) { return type == 8 || type == 9 || type == 18; }

}  // namespace

FLVAnalyser::FLVAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_FLV, std::make_unique<FileFLVAnalyser>()) {}

int FLVAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 3), 0, "FLV")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* FLVAnalyser::CreateRawFileInfo() { return new FLVRawFileInfo(Fallback()); }

FLVAnalyser::FLVRawFileInfo::FLVRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_FLV, fallback, 0, kSizeCap) {}

bool FLVAnalyser::FLVRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long off = FileOffset(sectorNumber, sectorSize);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  if (m_llNext == 0) {
    // Version 1, and no tag before the first.
    const auto header = held.At(0, kFirstTag + 4);
    if (!header || held.bytes[*header + 3] != 1 || *quellsy::be32(held.bytes, *header + kFirstTag) != 0) return false;
    m_llNext = kFirstTag;
  }
  for (int tags = 0; tags < kTagsPerCall; ++tags) {
    if (m_llNext >= off + sectorSize) return true;
    const auto at = held.At(m_llNext, kTagFields);
    // A tag the search does not hold yet is read with the next sector.
    if (!at) return m_llNext >= held.first;
    const long long previous = *quellsy::be32(held.bytes, *at);
    const std::uint8_t type = held.bytes[*at + 4];
    const long long data = static_cast<long long>(*quellsy::be32(held.bytes, *at + 4) & 0xFFFFFF);
    if (previous == m_llLastData || !KnownTag(type)) {
      m_llFoundEnd = m_llNext + 4;
      return false;
    }
    if (previous == m_llExpected) {
      m_llExpected = data + 11;
    } else if (m_llExpected != 0) {
      // A size field that disagrees with its tag: the stream ended with that tag.
      m_llFoundEnd = m_llNext;
      return false;
    } else {
      m_llExpected = previous;
    }
    m_llLastData = data;
    m_llNext += data + kTagFraming;
  }
  return true;
}

}  // namespace Brance
