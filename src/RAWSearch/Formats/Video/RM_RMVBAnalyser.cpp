#include "RAWSearch/Formats/Video/RM_RMVBAnalyser.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

namespace Brance {

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kHeaderBytes = 1024;
// "Video Stream" stands within this many bytes of the media properties' start.
constexpr std::size_t kVideoWithin = 160;
constexpr std::array<std::string_view, 5> kChunks = {"PROP"sv, "MDPR"sv, "CONT"sv, "DATA"sv, "INDX"sv};
constexpr std::size_t kChunkHeader = 8;
constexpr int kChunksPerCall = 1024;

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

RM_RMVBAnalyser::RM_RMVBAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_RM, std::make_unique<FileRM_RMVBAnalyser>()) {}

int RM_RMVBAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 4), 0, ".RMF")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* RM_RMVBAnalyser::CreateRawFileInfo() { return new RM_RMVBRawFileInfo(Fallback()); }

RM_RMVBAnalyser::RM_RMVBRawFileInfo::RM_RMVBRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_RM, fallback, 0, kSizeCap, kCapsFollowed) {}

bool RM_RMVBAnalyser::RM_RMVBRawFileInfo::ReadHeader(const HeldBytes& held) {
  const auto at = held.At(0, kHeaderBytes);
  if (!at) return false;
  const quellsy::ByteSpan header = held.bytes.subspan(*at, kHeaderBytes);
  if (const auto media = FindPattern(header, AsBytes("MDPR"))) {
    const quellsy::ByteSpan properties = header.subspan(*media, std::min(kVideoWithin, header.size() - *media));
    if (FindPattern(properties, AsBytes("Video Stream"))) m_uRawFileType = RAW_FILE_TYPE_RMVB;
  }
  // The file header chunk states its own length.
  m_llNext = *quellsy::be32(header, 4);
  return m_llNext > 0;
}

bool RM_RMVBAnalyser::RM_RMVBRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                                    const SearchContext& context) {
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  if (m_llNext == 0 && !ReadHeader(held)) return false;
  const long long sectorEnd = FileOffset(sectorNumber, sectorSize) + sectorSize;
  for (int chunks = 0; chunks < kChunksPerCall; ++chunks) {
    if (m_llNext >= sectorEnd) return true;
    const auto at = held.At(m_llNext, kChunkHeader);
    // A chunk header the search does not hold yet is read with the next sector.
    if (!at) return m_llNext >= held.first;
    const std::string_view id(reinterpret_cast<const char*>(held.bytes.data() + *at), 4);
    const std::uint32_t length = *quellsy::be32(held.bytes, *at + 4);
    if (std::find(kChunks.begin(), kChunks.end(), id) == kChunks.end() || length == 0) {
      m_llFoundEnd = m_llNext;
      return false;
    }
    m_llNext += length;
  }
  return true;
}

}  // namespace Brance
