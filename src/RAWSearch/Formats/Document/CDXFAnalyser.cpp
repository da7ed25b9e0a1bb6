#include "RAWSearch/Formats/Document/CDXFAnalyser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace BruteForce {

namespace {

constexpr std::string_view kSectionCrLf = "  0\r\nSECTION\r\n  ";
constexpr std::string_view kSectionLf = "  0\nSECTION\n  ";
constexpr std::string_view kEndCrLf = "  0\r\nEOF\r\n";
constexpr std::string_view kEndLf = "  0\nEOF\n";

bool Contains(const unsigned char* data, std::size_t length, std::string_view text) {
  return Apimemstr(data, static_cast<int>(length), reinterpret_cast<const unsigned char*>(text.data()),
                   static_cast<int>(text.size())) != nullptr;
}

}  // namespace

CDXFAnalyser::CDXFAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CDXFAnalyser::Create() { return new CDXFAnalyser(); }

int CDXFAnalyser::AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long,
                                  long long, long long) {
  if (!data || sectorSize < 512 || sectorSize > 0x10000) return 0;
  const auto length = static_cast<std::size_t>(sectorSize);
  const quellsy::ByteSpan sector(data, length);
  bool dxf = CPlainRawFileAnalyser::HasText(sector, 0, kSectionCrLf);
  if (!dxf && CPlainRawFileAnalyser::HasText(sector, 0, "999")) {
    const auto* zero = static_cast<const unsigned char*>(std::memchr(data, 0, length));
    const std::size_t text = zero ? static_cast<std::size_t>(zero - data) : length;
    if (data[3] == '\n')
      dxf = Contains(data, text, kSectionLf);
    else if (data[3] == '\r' && data[4] == '\n')
      dxf = Contains(data, text, kSectionCrLf);
  }
  if (!dxf) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_DXF;
  return 1;
}

CRawFileInfo* CDXFAnalyser::CreateRawFileInfo() { return new CDXFRawFileInfo(); }

CDXFRawFileInfo::CDXFRawFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_DXF, nullptr) {}

int CDXFRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                 SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  if (m_strEndMark.empty()) m_strEndMark = std::string(sector[3] == '\n' ? kEndLf : kEndCrLf);
  m_llLastSector = sectorNumber;
  const auto mark = reinterpret_cast<const unsigned char*>(m_strEndMark.data());
  const auto markLength = static_cast<int>(m_strEndMark.size());
  // A mark cut by the sector boundary is found from the next sector, the previous one lying behind
  // it in the search buffer.
  const int behind = offset > 0 ? markLength - 1 : 0;
  const auto zeroTail = static_cast<int>(std::min<std::uint32_t>(context.uTrailingZeroBytes, 32));
  const long long end =
      RawUtility::FindMagicInBuffer(sector - behind, sectorSize + behind, zeroTail, mark, markLength);
  if (end != 0) return Finish(offset + end - behind, sectorNumber);
  m_llRunning = offset + sectorSize;
  if (m_llRunning >= kCap) return Finish(kCap, sectorNumber);
  return 2;
}

int CDXFRawFileInfo::Finish(long long size, long long sectorNumber) {
  m_ullSize = static_cast<std::uint64_t>(size);
  m_uRawFileType = RAW_FILE_TYPE_DXF;
  SetStemName(sectorNumber);
  return 1;
}

void CDXFRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (m_llRunning > 0) Finish(m_llRunning, m_llLastSector);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
