#include "ExFat/ExFatDirEntry.h"

#include <string_view>

namespace {

constexpr std::array<std::uint8_t, 256> MakeNameTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t c = 0x1A; c < 0xFF; ++c) table[c] = 1;
  for (const char c : std::string_view("\"*/:<>?\\|")) table[static_cast<std::uint8_t>(c)] = 0;
  return table;
}

std::uint16_t SetChecksum(quellsy::ByteSpan bytes, bool asInUse) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 2 || i == 3) continue;
    std::uint8_t value = bytes[i];
    if (asInUse && i % exfat::kEntrySize == 0)
      value = i == 0 ? exfat::kTypeFile : i == exfat::kEntrySize ? exfat::kTypeStream : exfat::kTypeName;
    sum = static_cast<std::uint16_t>(((sum & 1) != 0 ? 0x8000 : 0) + (sum >> 1) + value);
  }
  return sum;
}

}  // namespace

const std::array<std::uint8_t, 256> g_u8FileNameCheckTable = MakeNameTable();

bool CheckDirEntry(quellsy::ByteSpan entries, std::uint32_t length, std::uint16_t checksum) {
  if (length > entries.size()) return false;
  const quellsy::ByteSpan set = entries.first(length);
  if (SetChecksum(set, false) == checksum) return true;
  return !set.empty() && set[0] == (exfat::kTypeFile & ~exfat::kInUse) && SetChecksum(set, true) == checksum;
}
