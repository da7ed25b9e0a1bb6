#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"

#include <algorithm>

#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

std::uint32_t CM2TSAnalyser::s_uPacketLength = 188;
bool CM2TSAnalyser::s_bNewFile = false;

namespace {

constexpr std::uint8_t kSync = 0x47;
constexpr std::uint32_t kPlainPacket = 188;
constexpr std::uint32_t kTimedPacket = 192;
// Second bytes of packets that start a payload on the tables' and the first streams' identifiers.
constexpr std::uint8_t kStartBytes[] = {0x40, 0x41, 0x10, 0x50};

std::uint32_t SyncAt(std::uint32_t packetLength) { return packetLength == kTimedPacket ? 4 : 0; }

void ReleaseStream(const CRawFileInfo* leaving) {
  if (!leaving || dynamic_cast<const CM2TSAnalyser::CM2TSFileInfo*>(leaving)) CM2TSAnalyser::ResetStreamState();
}

}  // namespace

CM2TSAnalyser::CM2TSAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {
  ResetStreamState();
  RegisterFollowedStream(&ReleaseStream);
}

IRawFileAnalyser* CM2TSAnalyser::Create() { return new CM2TSAnalyser(); }

void CM2TSAnalyser::ResetStreamState() {
  s_uPacketLength = kPlainPacket;
  s_bNewFile = false;
}

bool CM2TSAnalyser::IsPacketPair(const unsigned char* sector, std::uint32_t packetLength) {
  const std::uint32_t sync = SyncAt(packetLength);
  const quellsy::ByteSpan bytes(sector, packetLength + 16);
  if (bytes[sync] != kSync || bytes[sync + packetLength] != kSync) return false;
  if (std::find(std::begin(kStartBytes), std::end(kStartBytes), bytes[sync + 1]) == std::end(kStartBytes))
    return false;
  constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};
  return quellsy::le64(bytes, 8) != kAllOnes && quellsy::le64(bytes, packetLength + 8) != kAllOnes;
}

bool CM2TSAnalyser::JudeM2TSHeader(const unsigned char* sector) {
  return sector && IsPacketPair(sector, s_uPacketLength);
}

int CM2TSAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || s_bNewFile) return 0;
  std::uint32_t length = 0;
  if (IsPacketPair(sector, kTimedPacket))
    length = kTimedPacket;
  else if (IsPacketPair(sector, kPlainPacket))
    length = kPlainPacket;
  else
    return 0;
  s_uPacketLength = length;
  s_bNewFile = true;
  scratch.m_uRawFileType = RAW_FILE_TYPE_M2TS;
  return 1;
}

CRawFileInfo* CM2TSAnalyser::CreateRawFileInfo() { return new CM2TSFileInfo(); }

std::vector<IRawFileAnalyser::Anchor> CM2TSAnalyser::ClaimAnchors() const {
  // 0x40, 0x41, 0x10 and 0x50 all have the bits of 0xAE clear.
  constexpr std::uint32_t kMask = 0xAEFF;
  return {{0, kSync, kMask}, {SyncAt(kTimedPacket), kSync, kMask}};
}

CM2TSAnalyser::CM2TSFileInfo::CM2TSFileInfo()
    : CBruteForceRawFileInfo(RAW_FILE_TYPE_M2TS, nullptr), m_uPacketLength(s_uPacketLength) {}

int CM2TSAnalyser::CM2TSFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                              SearchContext&) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  const long long end = offset + sectorSize;
  const std::uint32_t length = m_uPacketLength;
  const std::uint32_t sync = SyncAt(length);
  m_llLastSector = sectorNumber;
  // Each packet is judged by its sync byte, in the sector that holds it.
  while (m_llPosition + sync < end) {
    if (m_llPosition + sync >= offset && sector[m_llPosition + sync - offset] != kSync) {
      const long long size = m_llPackets * length;
      return Finish(size >= kMinSize ? size : 0, sectorNumber);
    }
    ++m_llPackets;
    m_llPosition += length;
  }
  if (m_llPosition > kCap) return Finish(kCap, sectorNumber);
  return 2;
}

int CM2TSAnalyser::CM2TSFileInfo::Finish(long long size, long long sectorNumber) {
  ResetStreamState();
  m_ullSize = static_cast<std::uint64_t>(size);
  m_uRawFileType = RAW_FILE_TYPE_M2TS;
  if (size != 0) SetStemName(sectorNumber);
  return 1;
}

void CM2TSAnalyser::CM2TSFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  const long long size = std::min(m_llPackets * m_uPacketLength, kCap);
  Finish(size >= kMinSize ? size : 0, m_llLastSector);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
