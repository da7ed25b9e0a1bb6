#pragma once
// Java key stores (FE ED FE ED) followed sector by sector through their structure while the search streams
// past: the header's entry count, every entry (a private key with its certificate chain, or a trusted
// certificate) by its stated lengths, then the 20-byte digest that ends the file, whatever follows. A store
// whose structure does not add up ends at the first zero tail, at its last non-zero byte. No plain analyser
// measures them: a hit left without an end is dropped.

#include <cstdint>
#include <optional>

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class JKSAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 10485760;

  class JKSRawFileInfo : public CStreamingRawFileInfo {
   public:
    JKSRawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    enum class Part { kHeader, kTag, kAlias, kKey, kChain, kCertificateType, kCertificate, kDigest, kBroken };
    // Reads the field at m_llNext and moves on; the call's answer when it cannot (a wait, a hand-over).
    std::optional<int> Step(const HeldBytes& held);
    // The part after an entry's certificate, or after the one before it.
    Part NextCertificate();

    Part m_part = Part::kHeader;
    std::uint32_t m_uVersion = 0;
    std::uint32_t m_uEntriesLeft = 0;
    std::uint32_t m_uCertificatesLeft = 0;
  };

  JKSAnalyser();
  // FE ED FE ED at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
