#include "RAWSearch/Formats/Archive/TARAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Archive/FileTARAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kBlock = 512;
constexpr std::size_t kMagicAt = 257;
constexpr std::size_t kSizeAt = 124;
constexpr std::size_t kSizeDigits = 12;
constexpr long long kEndBlocks = 2 * kBlock;

}  // namespace

TARAnalyser::TARAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_TAR, std::make_unique<FileTARAnalyser>()) {}

int TARAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  if (!CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, kBlock), kMagicAt, "ustar")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::optional<IRawFileAnalyser::Anchor> TARAnalyser::ClaimAnchor() const {
  constexpr std::uint32_t kMagicLead = 'u' | 's' << 8 | 't' << 16 | static_cast<std::uint32_t>('a') << 24;
  return Anchor{kMagicAt, kMagicLead};
}

CRawFileInfo* TARAnalyser::CreateRawFileInfo() { return new TARRawFileInfo(Fallback()); }

// The walking offset is the next header's; headers lie on 512-byte blocks whatever the sector size.
TARAnalyser::TARRawFileInfo::TARRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_TAR, fallback, 0, 0, kSizeCap) {}

std::optional<int> TARAnalyser::TARRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto at = held.At(m_llNext, kBlock);
  if (!at) return NotHeld(held, m_llNext);
  const quellsy::ByteSpan header = held.bytes.subspan(*at, kBlock);
  if (!CPlainRawFileAnalyser::HasText(header, kMagicAt, "ustar")) return End(m_llNext + kEndBlocks, sectorNumber);
  const long long data = FileTARAnalyser::OctStringToint(header.subspan(kSizeAt, kSizeDigits));
  m_llNext += kBlock + (data + kBlock - 1) / kBlock * kBlock;
  return std::nullopt;
}

}  // namespace RawSpeed
