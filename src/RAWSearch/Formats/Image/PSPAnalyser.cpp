#include "RAWSearch/Formats/Image/PSPAnalyser.h"

#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Image/FilePSPAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

// The signature (32 bytes) and the version fields (4) come before the first block.
constexpr long long kFirstBlock = 36;
constexpr std::size_t kBlockHeader = 10;
constexpr std::size_t kLengthAt = 6;
constexpr std::string_view kBlockMark = "~BK\0"sv;

}  // namespace

PSPAnalyser::PSPAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_PSP, std::make_unique<FilePSPAnalyser>()) {}

int PSPAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* PSPAnalyser::CreateRawFileInfo() { return new PSPRawFileInfo(Fallback()); }

PSPAnalyser::PSPRawFileInfo::PSPRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_PSP, fallback, 0, kFirstBlock, kSizeCap) {}

std::optional<int> PSPAnalyser::PSPRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto at = held.At(m_llNext, kBlockHeader);
  // A block header the search does not hold yet is read with the next sector.
  if (!at) return NotHeld(held, m_llNext);
  if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, kBlockMark)) return End(m_llNext, sectorNumber, ".");
  m_llNext += static_cast<long long>(kBlockHeader) + *quellsy::le32(held.bytes, *at + kLengthAt);
  return std::nullopt;
}

}  // namespace RawSpeed
