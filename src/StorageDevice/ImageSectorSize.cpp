#include "StorageDevice/ImageSectorSize.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "Utility/ByteReader.h"
#include "Utility/RawRead.h"

namespace quellsy::storage {
namespace {

constexpr std::size_t kBytesPerSectorOffset = 11;
constexpr std::size_t kSignatureOffset = 510;
constexpr char kGptSignature[] = "EFI PART";

bool IsSectorSize(unsigned size) {
  return size >= kDefaultImageSectorSize && size <= kMaxImageSectorSize && (size & (size - 1)) == 0;
}

// A boot sector of FAT, exFAT or NTFS: a jump at its start, its sector size at 11, the signature at 510.
std::optional<unsigned> BootSectorSize(ByteSpan start) {
  const auto jump = u8(start, 0);
  if (!jump || (*jump != 0xEB && *jump != 0xE9)) return std::nullopt;
  if (u8(start, kSignatureOffset) != 0x55 || u8(start, kSignatureOffset + 1) != 0xAA) return std::nullopt;
  const auto size = le16(start, kBytesPerSectorOffset);
  // exFAT keeps its size as a shift at 108 and zeros at 11.
  if (size && *size == 0 && std::memcmp(start.data() + 3, "EXFAT   ", 8) == 0) {
    const auto shift = u8(start, 108);
    if (shift && *shift >= 9 && *shift <= 12) return 1u << *shift;
  }
  if (!size || !IsSectorSize(*size)) return std::nullopt;
  return *size;
}

}  // namespace

std::optional<unsigned> DeclaredSectorSize(int fd) {
  std::vector<std::uint8_t> start(2 * kMaxImageSectorSize);
  if (KDReadAsyncData(start.data(), fd, 0, static_cast<long long>(start.size())) == 0) return std::nullopt;
  const ByteSpan bytes(start);
  for (unsigned size = kDefaultImageSectorSize; size <= kMaxImageSectorSize; size *= 2)
    if (std::memcmp(bytes.data() + size, kGptSignature, 8) == 0) return size;
  return BootSectorSize(bytes);
}

}  // namespace quellsy::storage
