#include "RAWSearch/Formats/Image/New3DSAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Image/File3DSAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr std::uint16_t kMainChunk = 0x4D4D;
constexpr std::uint16_t kEditorChunk = 0x3D3D;
constexpr std::size_t kCartridgeMark = 256;
constexpr std::size_t kMediaUnitsAt = 260;
constexpr long long kMediaUnit = 512;
// A main chunk found this far in follows a leading block of that size.
constexpr long long kLeadBlock = 88;

bool IsCartridge(quellsy::ByteSpan sector) { return CPlainRawFileAnalyser::HasText(sector, kCartridgeMark, "NCSD"); }

}  // namespace

New3DSAnalyser::New3DSAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_3DS, std::make_unique<File3DSAnalyser>()) {}

int New3DSAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan head(sector, CPlainRawFileAnalyser::kTestBytes);
  const bool mesh = quellsy::le16(head, 0) == kMainChunk && quellsy::le16(head, 16) == kEditorChunk;
  if (!mesh && !IsCartridge(head)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::vector<IRawFileAnalyser::Anchor> New3DSAnalyser::ClaimAnchors() const {
  constexpr std::uint32_t kNcsd = 'N' | 'C' << 8 | 'S' << 16 | static_cast<std::uint32_t>('D') << 24;
  return {Anchor{0, kMainChunk, 0xFFFF}, Anchor{kCartridgeMark, kNcsd}};
}

CRawFileInfo* New3DSAnalyser::CreateRawFileInfo() { return new New3DSRawFileInfo(Fallback()); }

New3DSAnalyser::New3DSRawFileInfo::New3DSRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_3DS, fallback, 0, 0, kCapsFollowed * kSizeCap) {}

std::optional<int> New3DSAnalyser::New3DSRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto at = held.At(m_llNext, 6);
  // A chunk header the search does not hold yet is read with the next sector.
  if (!at) return NotHeld(held, m_llNext);
  const std::uint16_t id = *quellsy::le16(held.bytes, *at);
  if (m_llNext == 0 && id != kMainChunk) {
    // A cartridge: sized from its header (unnamed), or by the plain analyser past five caps.
    const auto header = held.At(0, kMediaUnitsAt + 4);
    const long long units = header ? *quellsy::le32(held.bytes, *header + kMediaUnitsAt) : 0;
    if (units == 0 || units * kMediaUnit > m_llCap) return HandOver();
    m_ullSize = static_cast<std::uint64_t>(units * kMediaUnit);
    return 1;
  }
  const auto ahead = held.At(m_llNext + kLeadBlock, 2);
  if (ahead && *quellsy::le16(held.bytes, *ahead) == kMainChunk && id != kMainChunk) {
    m_llNext += kLeadBlock;
    return std::nullopt;
  }
  const std::uint32_t length = *quellsy::le32(held.bytes, *at + 2);
  if (id != kMainChunk || length == 0) return End(m_llNext, sectorNumber);
  m_llNext += length;
  return std::nullopt;
}

}  // namespace RawSpeed
