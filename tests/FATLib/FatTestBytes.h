#pragma once
// Hand-built FAT structures for single-structure tests: a boot sector and 32-byte directory entries.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::test {

struct BootSectorFields {
  std::uint16_t bytesPerSector = 512;
  std::uint8_t sectorsPerCluster = 4;
  std::uint16_t reservedSectors = 1;
  std::uint8_t numberOfFats = 2;
  std::uint16_t rootEntries = 512;
  std::uint16_t totalSectors16 = 0;
  std::uint16_t sectorsPerFat16 = 32;
  std::uint32_t totalSectors32 = 65536;
  std::uint32_t sectorsPerFat32 = 0;
  std::uint32_t rootCluster = 2;
  std::string fat16Text = "FAT16   ";  // at 54
  std::string fat32Text = "        ";  // at 82
  bool signature = true;
};

inline std::vector<std::uint8_t> MakeBootSector(const BootSectorFields& f) {
  std::vector<std::uint8_t> sector(512, 0);
  FieldWriter w(sector);
  w.u8(0, 0xEB);
  w.le16(11, f.bytesPerSector);
  w.u8(13, f.sectorsPerCluster);
  w.le16(14, f.reservedSectors);
  w.u8(16, f.numberOfFats);
  w.le16(17, f.rootEntries);
  w.le16(19, f.totalSectors16);
  w.le16(22, f.sectorsPerFat16);
  w.le32(32, f.totalSectors32);
  w.le32(36, f.sectorsPerFat32);
  w.le32(44, f.rootCluster);
  for (std::size_t i = 0; i < 8; ++i) {
    sector[54 + i] = static_cast<std::uint8_t>(f.fat16Text[i]);
    sector[82 + i] = static_cast<std::uint8_t>(f.fat32Text[i]);
  }
  if (f.signature) {
    sector[510] = 0x55;
    sector[511] = 0xAA;
  }
  return sector;
}

inline BootSectorFields Fat32Fields() {
  BootSectorFields f;
  f.sectorsPerCluster = 1;
  f.reservedSectors = 32;
  f.rootEntries = 0;
  f.sectorsPerFat16 = 0;
  f.totalSectors32 = 131072;
  f.sectorsPerFat32 = 1009;
  f.fat16Text = "        ";
  f.fat32Text = "FAT32   ";
  return f;
}

constexpr std::uint16_t kDate = (45 << 9) | (6 << 5) | 15;  // 2025-06-15
constexpr std::uint16_t kTime = (10 << 11) | (30 << 5) | 7;  // 10:30:14

struct EntryFields {
  std::string name11;
  std::uint8_t attribute = 0x20;
  std::uint32_t cluster = 0;
  std::uint32_t size = 0;
  std::uint16_t date = kDate;
  std::uint16_t time = kTime;
};

inline std::array<std::uint8_t, 32> MakeEntry(const EntryFields& f) {
  std::array<std::uint8_t, 32> entry{};
  for (std::size_t i = 0; i < 11 && i < f.name11.size(); ++i) entry[i] = static_cast<std::uint8_t>(f.name11[i]);
  FieldWriter w(entry);
  w.u8(11, f.attribute);
  w.le16(14, f.time);
  w.le16(16, f.date);
  w.le16(18, f.date);
  w.le16(20, static_cast<std::uint16_t>(f.cluster >> 16));
  w.le16(22, f.time);
  w.le16(24, f.date);
  w.le16(26, static_cast<std::uint16_t>(f.cluster));
  w.le32(28, f.size);
  return entry;
}

// A long-name piece holding the given UTF-16 units (13 at most), zero-terminated and 0xFFFF-padded.
inline std::array<std::uint8_t, 32> MakeLongNameEntry(std::uint8_t sequence, const std::u16string& units) {
  std::array<std::uint8_t, 32> entry{};
  entry[0] = sequence;
  entry[11] = 0x0F;
  constexpr std::array<std::size_t, 13> kOffsets = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (std::size_t i = 0; i < kOffsets.size(); ++i) {
    const std::uint16_t unit = i < units.size() ? units[i] : (i == units.size() ? 0x0000 : 0xFFFF);
    entry[kOffsets[i]] = static_cast<std::uint8_t>(unit);
    entry[kOffsets[i] + 1] = static_cast<std::uint8_t>(unit >> 8);
  }
  return entry;
}

inline std::vector<std::uint8_t> AsVector(const std::array<std::uint8_t, 32>& entry) {
  return {entry.begin(), entry.end()};
}

inline void PutEntry(std::vector<std::uint8_t>& sector, std::size_t index, const std::array<std::uint8_t, 32>& entry) {
  std::copy(entry.begin(), entry.end(), sector.begin() + static_cast<std::ptrdiff_t>(index * 32));
}

}  // namespace quellsy::test
