#include "RAWSearch/Formats/Archive/RARAnalyser.h"

#include <algorithm>
#include <array>
#include <memory>

#include "RAWSearch/Formats/Archive/FileRARAnalyser.h"
#include "RAWSearch/Framework/classRarSearch.h"

namespace RawSpeed {

namespace {

// The marker block is 7 bytes; the archive header follows it.
constexpr long long kArchiveHeaderAt = 7;
// What the block reader may read of a block header.
constexpr std::size_t kBlockHeaderBytes = 32;
constexpr std::array<std::uint8_t, 7> kEndBlock = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};

}  // namespace

RARAnalyser::RARAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_RAR, std::make_unique<FileRARAnalyser>()) {}

int RARAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || sector[4] != 0x1A || sector[5] != 0x07 || sector[6] != 0x00) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* RARAnalyser::CreateRawFileInfo() { return new RARRawFileInfo(Fallback()); }

RARAnalyser::RARRawFileInfo::RARRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_RAR, fallback, 0, kArchiveHeaderAt, kSizeCap) {}

std::optional<int> RARAnalyser::RARRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto at = held.At(m_llNext, 1);
  if (!at) return NotHeld(held, m_llNext);
  const quellsy::ByteSpan block =
      held.bytes.subspan(*at, std::min(kBlockHeaderBytes, held.bytes.size() - *at));
  if (block.size() >= kEndBlock.size() && std::equal(kEndBlock.begin(), kEndBlock.end(), block.begin()))
    return End(m_llNext + static_cast<long long>(kEndBlock.size()), sectorNumber);
  // A header cut by the end of what the search holds is read again with the next sector.
  if (block.size() < kBlockHeaderBytes) return 2;
  unsigned low = 0;
  unsigned high = 0;
  if (!classRarSearch::GetBlockSize(block.data(), static_cast<int>(block.size()), &low, &high)) return HandOver();
  m_llNext += static_cast<long long>((static_cast<std::uint64_t>(high) << 32) | low);
  return std::nullopt;
}

}  // namespace RawSpeed
