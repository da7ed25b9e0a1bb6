#include "RAWSearch/Framework/CGzSearch.h"

#include <zlib.h>

namespace {

constexpr int kFixedHeaderBytes = 10;
constexpr unsigned char kFlagLimit = 32;  // bits 5..7 are reserved
constexpr unsigned char kOsLimit = 14;    // 0..13 are the systems the format names

}  // namespace

bool CGzSearch::IsValidGzHeader(const unsigned char* header, int length) {
  if (!header || length < kFixedHeaderBytes) return false;
  return header[0] == 0x1F && header[1] == 0x8B && header[2] == 0x08 && header[3] < kFlagLimit && header[9] < kOsLimit;
}

std::uint32_t CGzSearch::GetCRC(const unsigned char* data, int length) { return UpdateCRC(0, data, length); }

std::uint32_t CGzSearch::UpdateCRC(std::uint32_t crc, const unsigned char* data, int length) {
  if (!data || length < 1) return crc;
  return static_cast<std::uint32_t>(crc32(crc, data, static_cast<uInt>(length)));
}
