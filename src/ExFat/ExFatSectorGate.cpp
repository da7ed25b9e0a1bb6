#include "ExFat/ExFatSectorGate.h"

#include "ExFat/ExFatDirEntry.h"

namespace exfat {

namespace {

quellsy::SectorGate::Rule Is(std::size_t at, std::uint8_t value) {
  return {at, [value](std::uint8_t b) { return b == value; }};
}

// The entry types the directory analysis takes up, in use or not: label, file, stream and name; the bitmap and
// up-case entries only in use.
bool TakenEntryType(std::uint8_t type) {
  const auto plain = static_cast<std::uint8_t>(type & ~kInUse);
  for (const std::uint8_t either : {kTypeLabel, kTypeFile, kTypeStream, kTypeName})
    if (plain == (either & ~kInUse)) return true;
  return type == kTypeBitmap || type == kTypeUpcase;
}

quellsy::SectorGate Make() {
  return quellsy::SectorGate({
      // The up-case table opens with the units 0, 1, 2, ...
      {Is(0, 0), Is(1, 0), Is(2, 1), Is(3, 0)},
      // A boot sector: any first byte but 0, and 0x55 0xAA at 510.
      {{0, [](std::uint8_t b) { return b != 0; }}, Is(510, 0x55), Is(511, 0xAA)},
      // A FAT: the media entry 0xFFFFFFF8 first.
      {Is(0, 0xF8), Is(1, 0xFF), Is(2, 0xFF), Is(3, 0xFF)},
      {{0, TakenEntryType}},
  });
}

}  // namespace

const quellsy::SectorGate& ExFatSectorGate() {
  static const quellsy::SectorGate gate = Make();
  return gate;
}

}  // namespace exfat
