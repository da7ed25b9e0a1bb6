#include "RAWSearch/Formats/Audio/MIDAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kFirstTrack = 14;
constexpr long long kChunkHeader = 8;

}  // namespace

MIDAnalyser::MIDAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_MID, std::make_unique<FileMIDAnalyser>()) {}

int MIDAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* MIDAnalyser::CreateRawFileInfo() { return new MIDRawFileInfo(Fallback()); }

MIDAnalyser::MIDRawFileInfo::MIDRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_MID, fallback, 0, kFirstTrack, kSizeCap) {}

int MIDAnalyser::MIDRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  if (!m_stated) {
    if (const auto count = held.At(FileMIDAnalyser::kTrackCountAt, 2))
      m_stated = quellsy::be16(held.bytes, *count);
  }
  // Chunk headers are read from what the search holds; one it does not hold yet is read with a later
  // sector, from the bytes kept behind it.
  while (m_llNext <= off + sectorSize + kChunkHeader) {
    const auto at = held.At(m_llNext, kChunkHeader);
    if (!at) return 2;
    if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, "MTrk", true)) {
      const auto end = FileMIDAnalyser::WalkedEnd(static_cast<std::uint64_t>(m_llNext), m_walked, m_stated,
                                                  static_cast<unsigned>(sectorSize));
      return End(static_cast<long long>(end), sectorNumber);
    }
    m_llNext += kChunkHeader + *quellsy::be32(held.bytes, *at + 4);
    ++m_walked;
  }
  return 2;
}

}  // namespace RawSpeed
