#pragma once
// exFAT directory entries (32 bytes): their types, the entry-set checksum and the characters allowed in names.

#include <array>
#include <cstdint>

#include "Utility/ByteReader.h"

namespace exfat {

constexpr std::size_t kEntrySize = 32;
constexpr std::uint8_t kInUse = 0x80;
constexpr std::uint8_t kTypeFile = 0x85;
constexpr std::uint8_t kTypeStream = 0xC0;
constexpr std::uint8_t kTypeName = 0xC1;
constexpr std::uint8_t kTypeLabel = 0x83;
constexpr std::uint8_t kTypeBitmap = 0x81;
constexpr std::uint8_t kTypeUpcase = 0x82;
// The characters of one name entry.
constexpr std::size_t kNameCharsPerEntry = 15;

}  // namespace exfat

// 1 where a character below 256 may appear in a name or label: not the controls 0x00-0x19, not " * / : < > ? \ |
// and not 0xFF.
extern const std::array<std::uint8_t, 256> g_u8FileNameCheckTable;

// The entry-set checksum over length bytes (its own field, bytes 2 and 3, skipped) equals checksum. A set that
// is no longer in use also passes with the sum it had while in use (file, stream, then name entry types).
// A length of 0 passes when the checksum is 0; a length beyond entries.size() fails.
bool CheckDirEntry(quellsy::ByteSpan entries, std::uint32_t length, std::uint16_t checksum);
