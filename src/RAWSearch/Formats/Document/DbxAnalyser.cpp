#include "RAWSearch/Formats/Document/DbxAnalyser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "RAWSearch/Framework/RawUtility.h"
#include "Utility/ByteReader.h"

namespace RawSpeed {

namespace {

using ClassId = std::array<unsigned char, 16>;

constexpr ClassId kFolderList = {0xF7, 0x89, 0x34, 0x2C, 0xF7, 0xF0, 0xEE, 0x6D,
                                 0xAF, 0x22, 0x89, 0xD1, 0x00, 0xFF, 0xF0, 0xB0};
constexpr std::array<ClassId, 5> kClassIds = {{
    {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0xC6, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0xC7, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0},
    {0xCF, 0xAD, 0x12, 0xFE, 0x30, 0x9D, 0xFE, 0x26, 0x8F, 0x1A, 0xD2, 0x11, 0xAA, 0xBF, 0x00, 0x60},
    kFolderList,
}};
constexpr unsigned char kJmfLead[8] = {'J', 'M', 'F', '6', 0x03, 0x00, 0x10, 0x00};
constexpr std::size_t kSizeAt = 124;
constexpr std::uint32_t kZeroTail = 9;

bool Starts(const unsigned char* sector, const unsigned char* lead, std::size_t length) {
  return std::memcmp(sector, lead, length) == 0;
}

}  // namespace

DbxAnalyser::DbxAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_DBX, nullptr) {}

int DbxAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const bool known = std::any_of(kClassIds.begin(), kClassIds.end(),
                                 [&](const ClassId& id) { return Starts(sector, id.data(), id.size()); });
  if (!known && !Starts(sector, kJmfLead, sizeof kJmfLead)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* DbxAnalyser::CreateRawFileInfo() { return new DBXRawFileInfo(); }

DbxAnalyser::DBXRawFileInfo::DBXRawFileInfo() : CStreamingRawFileInfo(RAW_FILE_TYPE_DBX, nullptr, 0, 0, kSizeCap) {}

int DbxAnalyser::DBXRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const quellsy::ByteSpan bytes(sector, static_cast<std::size_t>(sectorSize));
  if (m_bFirstCall) {
    m_bFirstCall = false;
    m_bZeroTail = bytes.size() >= kFolderList.size() && Starts(sector, kFolderList.data(), kFolderList.size());
  }
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return HandOver();
  if (m_bZeroTail) {
    if (context.uTrailingZeroBytes < kZeroTail) return 2;
    return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize), sectorNumber, ".");
  }
  // The stated size needs no walk; the file managers name the hit.
  m_ullSize = std::min<std::uint64_t>(kSizeCap, quellsy::le32(bytes, kSizeAt).value_or(0));
  return 1;
}

}  // namespace RawSpeed
