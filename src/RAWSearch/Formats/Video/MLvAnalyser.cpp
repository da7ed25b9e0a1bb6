#include "RAWSearch/Formats/Video/MLvAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr std::array<std::string_view, 15> kBlockTags = {"MLVI", "RAWI", "INFO", "RTCI", "EXPO", "LENS", "IDNT", "WBAL",
                                                         "STYL", "WAVI", "MARK", "VIDF", "NULL", "AUDF", "BKUP"};
constexpr std::size_t kBlockHeader = 8;

}  // namespace

MLvAnalyser::MLvAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_MLV, nullptr) {}

int MLvAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan head(sector, 56);
  if (!CPlainRawFileAnalyser::HasText(head, 0, "MLVI") || !CPlainRawFileAnalyser::HasText(head, 52, "RAWI")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* MLvAnalyser::CreateRawFileInfo() { return new MLvRawFileInfo(); }

MLvAnalyser::MLvRawFileInfo::MLvRawFileInfo() : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_MLV, nullptr, 0, 0, kSizeCap) {}

std::optional<int> MLvAnalyser::MLvRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto at = held.At(m_llNext, kBlockHeader);
  // A block header the search does not hold yet is read with the next sector.
  if (!at) return NotHeld(held, m_llNext);
  const std::string_view tag(reinterpret_cast<const char*>(held.bytes.data() + *at), 4);
  const std::uint32_t length = *quellsy::le32(held.bytes, *at + 4);
  if (length < kBlockHeader || std::find(kBlockTags.begin(), kBlockTags.end(), tag) == kBlockTags.end())
    return End(m_llNext, sectorNumber);
  m_llNext += length;
  return std::nullopt;
}

}  // namespace RawSpeed
