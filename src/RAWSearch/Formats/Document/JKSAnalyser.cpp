#include "RAWSearch/Formats/Document/JKSAnalyser.h"

#include "Utility/ByteReader.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;
constexpr std::uint32_t kMagic = 0xFEEDFEED;
constexpr long long kHeaderBytes = 12;
constexpr long long kTimestampBytes = 8;
constexpr long long kDigestBytes = 20;
constexpr std::uint32_t kPrivateKey = 1;
constexpr std::uint32_t kTrustedCertificate = 2;
// More entries or chain links than any store holds: the structure is not a store's.
constexpr std::uint32_t kMaxEntries = 65536;
constexpr std::uint32_t kMaxChain = 64;

}  // namespace

JKSAnalyser::JKSAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_JKS, nullptr) {}

int JKSAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || quellsy::be32(quellsy::ByteSpan(sector, 4), 0) != kMagic) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* JKSAnalyser::CreateRawFileInfo() { return new JKSRawFileInfo(); }

JKSAnalyser::JKSRawFileInfo::JKSRawFileInfo() : CStreamingRawFileInfo(RAW_FILE_TYPE_JKS, nullptr, kMinimum, 0, kSizeCap) {}

int JKSAnalyser::JKSRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  if (m_part != Part::kBroken) {
    const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
    while (m_part != Part::kBroken && m_part != Part::kDigest && m_llNext < off + sectorSize)
      if (const std::optional<int> decided = Step(held)) return *decided;
    if (m_part == Part::kDigest) {
      // The digest ends the file, in the sector that holds its last byte.
      const long long end = m_llNext + kDigestBytes;
      return end > off + sectorSize ? 2 : End(end, sectorNumber);
    }
    if (m_part != Part::kBroken) return 2;
  }
  return ZeroTailEnd(sector, sectorSize, sectorNumber, context);
}

JKSAnalyser::JKSRawFileInfo::Part JKSAnalyser::JKSRawFileInfo::NextCertificate() {
  if (m_uCertificatesLeft > 0) return m_uVersion == 2 ? Part::kCertificateType : Part::kCertificate;
  return --m_uEntriesLeft > 0 ? Part::kTag : Part::kDigest;
}

std::optional<int> JKSAnalyser::JKSRawFileInfo::Step(const HeldBytes& held) {
  // Each part reads one fixed field at m_llNext (a count, a tag or a length) and steps over what it states.
  const bool shortField = m_part == Part::kAlias || m_part == Part::kCertificateType;
  const long long field = m_part == Part::kHeader ? kHeaderBytes : shortField ? 2 : 4;
  const auto at = held.At(m_llNext, static_cast<std::size_t>(field));
  if (!at) return NotHeld(held, m_llNext);
  quellsy::FieldReader read(held.bytes.subspan(*at, static_cast<std::size_t>(field)));
  switch (m_part) {
    case Part::kHeader:
      m_uVersion = read.be32(4);
      m_uEntriesLeft = read.be32(8);
      if ((m_uVersion != 1 && m_uVersion != 2) || m_uEntriesLeft == 0 || m_uEntriesLeft > kMaxEntries) {
        m_part = Part::kBroken;
        return std::nullopt;
      }
      m_llNext += kHeaderBytes;
      m_part = Part::kTag;
      return std::nullopt;
    case Part::kTag: {
      const std::uint32_t tag = read.be32(0);
      if (tag != kPrivateKey && tag != kTrustedCertificate) {
        m_part = Part::kBroken;
        return std::nullopt;
      }
      m_llNext += 4;
      m_uCertificatesLeft = tag == kTrustedCertificate ? 1 : 0;
      m_part = Part::kAlias;
      return std::nullopt;
    }
    case Part::kAlias:
      m_llNext += 2 + read.be16(0) + kTimestampBytes;
      m_part = m_uCertificatesLeft > 0 ? NextCertificate() : Part::kKey;
      return std::nullopt;
    case Part::kKey:
      m_llNext += 4LL + read.be32(0);
      m_part = Part::kChain;
      return std::nullopt;
    case Part::kChain:
      m_uCertificatesLeft = read.be32(0);
      if (m_uCertificatesLeft > kMaxChain) {
        m_part = Part::kBroken;
        return std::nullopt;
      }
      m_llNext += 4;
      m_part = NextCertificate();
      return std::nullopt;
    case Part::kCertificateType:
      m_llNext += 2 + read.be16(0);
      m_part = Part::kCertificate;
      return std::nullopt;
    case Part::kCertificate:
      m_llNext += 4LL + read.be32(0);
      --m_uCertificatesLeft;
      m_part = NextCertificate();
      return std::nullopt;
    case Part::kDigest:
    case Part::kBroken:
      break;
  }
  return std::nullopt;
}

}  // namespace RawSpeed
