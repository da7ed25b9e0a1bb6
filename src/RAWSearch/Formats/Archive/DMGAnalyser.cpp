#include "RAWSearch/Formats/Archive/DMGAnalyser.h"

#include <algorithm>
#include <memory>

#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

namespace Brance {

namespace {

constexpr std::uint8_t kTrailer[] = {'k', 'o', 'l', 'y'};
constexpr std::size_t kZeroTail = 8;

}  // namespace

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
  if (static_cast<std::size_t>(sectorSize) <= kZeroTail ||
      !HasZeroTail(quellsy::ByteSpan(sector, static_cast<std::size_t>(sectorSize)), kZeroTail))
    return true;
  const long long off = FileOffset(sectorNumber, sectorSize);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const long long from = std::max(held.first, off - sectorSize);
  const auto length = static_cast<std::size_t>(off + sectorSize - static_cast<long long>(kZeroTail) - from);
  const auto at = held.At(from, length);
  if (!at) return true;
  const auto trailer = FindPattern(held.bytes.subspan(*at, length), quellsy::ByteSpan(kTrailer, sizeof kTrailer));
  if (!trailer) return true;
  m_llFoundEnd = from + static_cast<long long>(*trailer) + kTrailerBytes;
  return false;
}

}  // namespace Brance
