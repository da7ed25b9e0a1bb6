#include "RAWSearch/Formats/Image/PNGAnalyser.h"

#include <algorithm>
#include <memory>

#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

// The signature (8 bytes), then the header chunk whose length field is at 8.
constexpr long long kFirstChunk = 8;
constexpr long long kChunkFraming = 12;  // length, type, checksum

}  // namespace

PNGAnalyser::PNGAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_PNG, std::make_unique<FilePNGAnalyser>()) {}

int PNGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  static constexpr unsigned char kTail[] = {0x0D, 0x0A, 0x1A, 0x0A};
  if (!sector || !std::equal(kTail, kTail + 4, sector + 4)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* PNGAnalyser::CreateRawFileInfo() { return new PNGRawFileInfo(Fallback()); }

PNGAnalyser::PNGRawFileInfo::PNGRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_PNG, fallback, 0, kFirstChunk, kSizeCap) {}

std::optional<int> PNGAnalyser::PNGRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  // A chunk header the search does not hold yet is read with a later sector, from the bytes it keeps.
  const auto at = held.At(m_llNext, 8);
  if (!at) return NotHeld(held, m_llNext);
  const long long length = *quellsy::be32(held.bytes, *at);
  if (CPlainRawFileAnalyser::HasText(held.bytes, *at + 4, "IEND")) {
    // The closing chunk is empty; one that claims data is damaged and left to the plain analyser.
    return length == 0 ? End(m_llNext + kChunkFraming, sectorNumber) : HandOver();
  }
  m_llNext += kChunkFraming + length;
  return std::nullopt;
}

}  // namespace RawSpeed
