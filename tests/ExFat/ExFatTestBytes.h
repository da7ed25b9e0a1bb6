#pragma once
// Hand-built exFAT bytes for the tests: boot sectors and directory entries, written field by field at the
// offsets of the published layout.

#include <cstdint>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::test::exfatbytes {

using Bytes = std::vector<std::uint8_t>;

struct BootFields {
  std::uint64_t volumeSectors = 1 << 16;
  std::uint32_t fatOffset = 24;
  std::uint32_t fatLength = 8;
  std::uint32_t heapOffset = 64;
  std::uint32_t clusterCount = 1000;
  std::uint32_t rootCluster = 4;
  std::uint8_t sectorShift = 9;
  std::uint8_t clusterShift = 3;
  std::uint8_t fats = 1;
};

inline Bytes BootSector(const BootFields& f) {
  Bytes b(512, 0);
  FieldWriter w(b);
  w.u8(0, 0xEB);
  w.u8(1, 0x76);
  w.u8(2, 0x90);
  for (std::size_t i = 0; i < 8; ++i) w.u8(3 + i, static_cast<std::uint8_t>("EXFAT   "[i]));
  w.le64(72, f.volumeSectors);
  w.le32(80, f.fatOffset);
  w.le32(84, f.fatLength);
  w.le32(88, f.heapOffset);
  w.le32(92, f.clusterCount);
  w.le32(96, f.rootCluster);
  w.u8(108, f.sectorShift);
  w.u8(109, f.clusterShift);
  w.u8(110, f.fats);
  w.le16(510, 0xAA55);
  return b;
}

// 2020-01-02 03:04:06 (time 0x1883, date 0x5022).
constexpr std::uint32_t kStamp = (0x5022u << 16) | 0x1883u;

struct FileFields {
  std::uint8_t secondaries = 2;
  std::uint16_t attributes = 0x20;
  bool inUse = true;
  std::uint32_t creation = kStamp;
  std::uint32_t modification = kStamp;
  std::uint32_t access = kStamp;
  std::uint8_t tenMs = 0;
};

inline Bytes FileEntry(const FileFields& f) {
  Bytes e(32, 0);
  FieldWriter w(e);
  w.u8(0, f.inUse ? 0x85 : 0x05);
  w.u8(1, f.secondaries);
  w.le16(4, f.attributes);
  w.le32(8, f.creation);
  w.le32(12, f.modification);
  w.le32(16, f.access);
  w.u8(20, f.tenMs);
  w.u8(21, f.tenMs);
  return e;
}

struct StreamFields {
  std::uint8_t flags = 0x01;
  std::uint8_t nameLength = 1;
  std::uint32_t firstCluster = 5;
  std::uint64_t length = 100;
  bool inUse = true;
};

inline Bytes StreamEntry(const StreamFields& f) {
  Bytes e(32, 0);
  FieldWriter w(e);
  w.u8(0, f.inUse ? 0xC0 : 0x40);
  w.u8(1, f.flags);
  w.u8(3, f.nameLength);
  w.le64(8, f.length);
  w.le32(20, f.firstCluster);
  w.le64(24, f.length);
  return e;
}

// The name entries for a UTF-16 name, 15 units each, the last padded with zeros.
inline Bytes NameEntries(const std::u16string& name, bool inUse = true) {
  Bytes out;
  for (std::size_t at = 0; at < name.size() || at == 0; at += 15) {
    Bytes e(32, 0);
    FieldWriter w(e);
    w.u8(0, inUse ? 0xC1 : 0x41);
    for (std::size_t i = 0; i < 15 && at + i < name.size(); ++i) w.le16(2 + 2 * i, name[at + i]);
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

inline std::uint8_t NameEntryCount(const std::u16string& name) {
  return static_cast<std::uint8_t>((name.size() + 14) / 15);
}

// A whole set: file, stream and name entries, with a consistent secondary count and name length.
inline Bytes EntrySet(const std::u16string& name, StreamFields stream = {}, FileFields file = {}) {
  file.secondaries = static_cast<std::uint8_t>(1 + NameEntryCount(name));
  stream.nameLength = static_cast<std::uint8_t>(name.size());
  stream.inUse = file.inUse;
  Bytes out = FileEntry(file);
  const Bytes s = StreamEntry(stream);
  out.insert(out.end(), s.begin(), s.end());
  const Bytes n = NameEntries(name, file.inUse);
  out.insert(out.end(), n.begin(), n.end());
  return out;
}

inline Bytes Entry(std::uint8_t type) {
  Bytes e(32, 0);
  e[0] = type;
  return e;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace quellsy::test::exfatbytes
