#include "RAWSearch/Framework/CRawBoxFileAnalyser.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint32_t kSignedLimit = 0x80000000u;  // offsets and sizes are positive 32-bit values
constexpr std::uint32_t kLargeSizeMark = 1;          // a 64-bit size follows the type
constexpr std::array<std::string_view, 6> kTailBoxes = {"mdat", "moov", "free", "moof", "mfra", "uuid"};

// A big-endian size field, when it is a positive signed 32-bit value.
std::optional<std::uint32_t> PositiveSize(std::optional<std::uint32_t> field) {
  if (!field || *field == 0 || *field >= kSignedLimit) return std::nullopt;
  return field;
}

bool IsTailBox(PlainFileWindow& window, std::uint64_t offset) {
  for (std::string_view type : kTailBoxes)
    if (window.HasText(offset, type, true)) return true;
  return false;
}

}  // namespace

bool CRawBoxFileAnalyser::GetFileSize(CRawFileInfo& hit, IStorageDevice* device) {
  PlainFileWindow window(device, hit.m_llStartSector);
  const std::optional<std::uint32_t> first = PositiveSize(window.Be32(0));
  if (!first) return false;

  std::uint32_t p = *first;
  for (int left = kMaxBoxes; left > 0 && p < kSignedLimit; --left) {
    const std::optional<std::uint32_t> size = PositiveSize(window.Be32(p));
    if (!size) break;  // unreadable, zero fill or a size no box has
    std::uint32_t step = *size;
    if (step == kLargeSizeMark) {
      if (!window.HasText(p + 4, "mdat", true) && !window.HasText(p + 12ull, "mdat", true)) break;
      // Only the low half of the 64-bit size is taken: a walk of 32-bit offsets.
      const std::optional<std::uint32_t> large = PositiveSize(window.Be32(p + 12ull));
      if (!large) return false;
      step = *large;
    } else if (!IsTailBox(window, p + 4ull) && !IsTailBox(window, p + 12ull)) {
      break;
    }
    p += step;  // both below 2^31: no wrap
  }
  if (p == 0) return false;
  hit.m_ullSize = p;
  return true;
}
