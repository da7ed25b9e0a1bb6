#include "RAWSearch/Formats/Image/X3FAnalyser.h"

#include <algorithm>
#include <memory>

#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

namespace Brance {

namespace {

constexpr std::uint8_t kDirectory[] = {'S', 'E', 'C', 'd'};
constexpr long long kDirectoryTail = 76;

}  // namespace

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
  constexpr auto kMark = quellsy::ByteSpan(kDirectory, sizeof kDirectory);
  if (sectorSize < static_cast<int>(sizeof kDirectory)) return true;
  const long long off = FileOffset(sectorNumber, sectorSize);
  const quellsy::ByteSpan bytes(sector, static_cast<std::size_t>(sectorSize));
  if (FindPattern(bytes.last(sizeof kDirectory), kMark)) {
    m_llFoundEnd = off + sectorSize - static_cast<long long>(sizeof kDirectory) + kDirectoryTail;
    return false;
  }
  if (!HasZeroTail(bytes, sizeof kDirectory)) return true;
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const long long from = std::max(held.first, off - sectorSize / 2);
  const auto length = static_cast<std::size_t>(off + sectorSize - from);
  const auto at = held.At(from, length);
  if (!at) return true;
  const auto mark = FindPattern(held.bytes.subspan(*at, length), kMark);
  if (!mark) return true;
  m_llFoundEnd = from + static_cast<long long>(*mark) + kDirectoryTail;
  return false;
}

}  // namespace Brance
