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
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* OneAnalyser::CreateRawFileInfo() { return new ONERawFileInfo(Fallback()); }

OneAnalyser::ONERawFileInfo::ONERawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_ONE, fallback, 0, 0, kSizeCap) {}

std::optional<int> OneAnalyser::ONERawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto lead = held.At(m_llNext + static_cast<long long>(kFileTypeAt), kFileType.size());
  // A header the search does not hold yet is read with the next sector.
  if (!lead) return NotHeld(held, m_llNext);
  const std::string_view type(reinterpret_cast<const char*>(held.bytes.data() + *lead), kFileType.size());
  if (type != kFileType) return End(m_llNext, sectorNumber);
  const auto at = held.At(m_llNext, kHeaderBytes);
  if (!at) return 2;
  std::uint64_t length = *quellsy::le64(held.bytes, *at + kExpectedLength);
  if (length == 0) length = *quellsy::le64(held.bytes, *at + kLegacyExpectedLength);
  // A section of no length, or one past the cap, leaves the file to the plain analyser.
  if (length == 0 || length > static_cast<std::uint64_t>(m_llCap)) return HandOver();
  m_llNext += static_cast<long long>(length);
  return std::nullopt;
}

}  // namespace RawSpeed
