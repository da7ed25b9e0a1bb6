#include "RAWSearch/Formats/Document/ONEAnalyser.h"

#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Document/FileONEAnalyser.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kFileType = "\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv;
constexpr std::size_t kFileTypeAt = 4;
constexpr std::size_t kExpectedLength = 196;
constexpr std::size_t kLegacyExpectedLength = 100;
constexpr std::size_t kHeaderBytes = kExpectedLength + 8;

}  // namespace

OneAnalyser::OneAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_ONE, std::make_unique<FileONEAnalyser>()) {}

int OneAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's.
  if (!sector || !Fallback()->AnalyseBuffer(sector, scratch)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* OneAnalyser::CreateRawFileInfo() { return new ONERawFileInfo(Fallback()); }

OneAnalyser::ONERawFileInfo::ONERawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_ONE, fallback, 0, 0, kSizeCap) {}

int OneAnalyser::ONERawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  while (m_llNext < off + sectorSize) {
    const auto lead = held.At(m_llNext + static_cast<long long>(kFileTypeAt), kFileType.size());
    // A header the search does not hold yet is read with the next sector.
    if (!lead) return m_llNext < held.first ? HandOver() : 2;
    const std::string_view type(reinterpret_cast<const char*>(held.bytes.data() + *lead), kFileType.size());
    if (type != kFileType) return End(m_llNext, sectorNumber);
    const auto at = held.At(m_llNext, kHeaderBytes);
    if (!at) return 2;
    std::uint64_t length = *quellsy::le64(held.bytes, *at + kExpectedLength);
    if (length == 0) length = *quellsy::le64(held.bytes, *at + kLegacyExpectedLength);
    // A section of no length, or one past the cap, leaves the file to the plain analyser.
    if (length == 0 || length > static_cast<std::uint64_t>(m_llCap)) return HandOver();
    m_llNext += static_cast<long long>(length);
  }
  return 2;
}

}  // namespace RawSpeed
