#pragma once
// MPEG-2 transport streams, with 188-byte packets or the 192-byte packets of camcorder files (a
// 4-byte time code before each): the record follows the packets while the search streams past and
// ends the file at the first packet without its sync byte. One stream is followed at a time: while it
// grows, its packets start no new hits.

#include <cstdint>
#include <vector>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CM2TSAnalyser : public CBruteForceAnalyser {
 public:
  class CM2TSFileInfo : public CBruteForceRawFileInfo {
   public:
    static constexpr long long kCap = 10000000000LL;
    // Shorter streams are taken for stray packet-like bytes.
    static constexpr long long kMinSize = 20480;

    // Made right after the analyser's claim, whose packet length it keeps.
    CM2TSFileInfo();

    // 2 = show me the next sector; 1 = finished (size 0 drops a short stream).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Files the packets followed so far, and lets new streams be found again.
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

   private:
    int Finish(long long size, long long sectorNumber);

    // File offset of the next packet.
    long long m_llPosition = 0;
    // Whole packets followed.
    long long m_llPackets = 0;
    long long m_llLastSector = 0;
    // The packet length the analyser found when it made the record.
    std::uint32_t m_uPacketLength;
  };

  static constexpr long long kSizeCap = CM2TSFileInfo::kCap;

  CM2TSAnalyser();
  static IRawFileAnalyser* Create();

  // Two packets in a row with their sync bytes and a start-of-payload packet identifier; refused while
  // a stream is followed.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // The sync byte and a start byte's fixed bits, at 0 (188-byte packets) or at 4 (192-byte packets).
  std::vector<Anchor> ClaimAnchors() const override;

  // The header test at the packet length of the stream followed.
  static bool JudeM2TSHeader(const unsigned char* sector);

  // Process-wide: the packet length of the stream followed (188 or 192) and whether one is followed.
  static std::uint32_t PacketLength() { return s_uPacketLength; }
  static bool Following() { return s_bNewFile; }
  // Forgets the stream followed: at every new search, when its record leaves, and in tests.
  static void ResetStreamState();

 private:
  static bool IsPacketPair(const unsigned char* sector, std::uint32_t packetLength);

  static std::uint32_t s_uPacketLength;
  static bool s_bNewFile;
};

}  // namespace BruteForce
