#include "RAWSearch/Formats/Archive/LZHAnalyser.h"

#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace Brance {

namespace {

constexpr std::size_t kMethodAt = 2;
constexpr std::size_t kPackedAt = 7;
constexpr std::size_t kHeaderFieldBytes = 11;
constexpr int kHeadersPerCall = 1024;

enum class Method { kNone, kLevel0, kDirectory, kLh7 };

Method MethodAt(quellsy::ByteSpan bytes, std::size_t header) {
  const auto has = [&](std::string_view method) { return CPlainRawFileAnalyser::HasText(bytes, header + kMethodAt, method); };
  if (has("-lh5-") || has("-lh0-")) return Method::kLevel0;
  if (has("-lhd-")) return Method::kDirectory;
  if (has("-lh7-")) return Method::kLh7;
  return Method::kNone;
}

}  // namespace

LZHAnalyser::LZHAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_LZH, std::make_unique<FileLZHAnalyser>()) {}

int LZHAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  if (MethodAt(quellsy::ByteSpan(sector, CPlainRawFileAnalyser::kTestBytes), 0) == Method::kNone) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::optional<IRawFileAnalyser::Anchor> LZHAnalyser::ClaimAnchor() const {
  constexpr std::uint32_t kMethodLead = '-' | 'l' << 8 | 'h' << 16;
  return Anchor{kMethodAt, kMethodLead, 0x00FFFFFF};
}

CRawFileInfo* LZHAnalyser::CreateRawFileInfo() { return new LZHRawFileInfo(Fallback()); }

LZHAnalyser::LZHRawFileInfo::LZHRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_LZH, fallback, 0, kSizeCap) {}

bool LZHAnalyser::LZHRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long sectorEnd = FileOffset(sectorNumber, sectorSize) + sectorSize;
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  for (int walked = 0; walked < kHeadersPerCall; ++walked) {
    if (m_llNext >= sectorEnd) return true;
    const auto at = held.At(m_llNext, kHeaderFieldBytes);
    // A header running past what the search holds is read with the next sector.
    if (!at && m_llNext >= held.first) return true;
    const Method method = at ? MethodAt(held.bytes, *at) : Method::kNone;
    if (method == Method::kNone) {
      if (m_bRetry) {
        m_bRetry = false;
        m_bRetried = true;
        m_llNext -= 2;
        continue;
      }
      m_llFoundEnd = m_llNext + (m_bRetried ? 3 : 1);
      return false;
    }
    m_bRetried = false;
    const long long headerSize = held.bytes[*at];
    const long long packed = *quellsy::le32(held.bytes, *at + kPackedAt);
    switch (method) {
      case Method::kLevel0:
        m_llNext += headerSize + packed + (m_bLevel2 ? 0 : 2);
        m_bRetry = !m_bLevel2 || m_bRetry;
        break;
      case Method::kDirectory:
        m_llNext += headerSize;
        m_bLevel2 = true;
        break;
      case Method::kLh7:
        m_llNext += headerSize + packed;
        m_bLevel2 = true;
        break;
      case Method::kNone:
        break;
    }
  }
  return true;
}

}  // namespace Brance
