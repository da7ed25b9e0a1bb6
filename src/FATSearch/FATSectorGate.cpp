#include "FATSearch/FATSectorGate.h"

namespace quellsy::fatsearch {

namespace {

bool NotZero(std::uint8_t b) { return b != 0; }
bool Is(std::uint8_t b, std::uint8_t value) { return b == value; }
// An attribute byte a directory entry may have: the top two bits are never set.
bool EntryAttribute(std::uint8_t b) { return b <= 0x3F; }
// A time's high byte: hours 0..23 keep it below 0xC0 (a time of 0 as well).
bool TimeHighByte(std::uint8_t b) { return b < 0xC0; }

SectorGate Make() {
  using Rule = SectorGate::Rule;
  return SectorGate({
      // Boot sector: any first byte but 0, and the 0x55 0xAA mark at 510.
      {Rule{0, NotZero}, Rule{510, [](std::uint8_t b) { return Is(b, 0x55); }},
       Rule{511, [](std::uint8_t b) { return Is(b, 0xAA); }}},
      // A FAT's first entries (FAT12, FAT16 and FAT32 alike): the media byte 0xF0..0xFF, then two 0xFF bytes.
      {Rule{0, [](std::uint8_t b) { return (b & 0xF0) == 0xF0; }}, Rule{1, [](std::uint8_t b) { return Is(b, 0xFF); }},
       Rule{2, [](std::uint8_t b) { return Is(b, 0xFF); }}},
      // A directory sector opening with a long-name part: its attribute byte is 0x0F and nothing else is tested.
      {Rule{0, NotZero}, Rule{11, [](std::uint8_t b) { return Is(b, 0x0F); }}},
      // ... with an entry carrying the label bit: its name is not tested, its times are.
      {Rule{0, NotZero}, Rule{11, [](std::uint8_t b) { return EntryAttribute(b) && (b & 0x08) != 0; }},
       Rule{15, TimeHighByte}, Rule{23, TimeHighByte}},
      // ... with a named entry: a name starts with neither a control character nor a blank.
      {Rule{0, [](std::uint8_t b) { return b >= 0x1A && b != 0x20; }}, Rule{11, EntryAttribute}, Rule{15, TimeHighByte},
       Rule{23, TimeHighByte}},
  });
}

}  // namespace

const SectorGate& FATSectorGate() {
  static const SectorGate gate = Make();
  return gate;
}

}  // namespace quellsy::fatsearch
