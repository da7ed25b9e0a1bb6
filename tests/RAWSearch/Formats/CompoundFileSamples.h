#pragma once
// A small writer of compound documents for the tests: a header, allocation sectors (listed by the header
// and, when asked, by one index sector), a directory holding the given entry names, an optional
// summary-information stream at a sector start and filler sectors; and the property-set streams that
// summary streams hold.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quellsy::test::formats {

using Bytes = std::vector<std::uint8_t>;

struct CompoundLayout {
  int version = 3;  // 4: 4096-byte document sectors
  // Entries 1, 2, ... of the directory (entry 0 is the root); names as bytes, one unit each.
  std::vector<std::string> entries = {"WordDocument"};
  std::array<std::uint8_t, 16> rootClassId{};
  std::uint32_t fillerSectors = 8;
  Bytes summary;                 // a property-set stream; none when empty
  std::uint32_t fatSectors = 1;  // allocation sectors
  // How many of them the header lists; the rest go to one index sector (0xFFFFFFFE after it).
  std::uint32_t fatInHeader = 109;
};

struct CompoundFile {
  Bytes bytes;
  std::uint32_t sectorBytes = 512;
  // The document sectors the allocation table marks used (the header's sector not counted).
  std::uint32_t usedSectors = 0;
};
CompoundFile MakeCompoundFile(const CompoundLayout& layout);

// One property of a summary stream: its id, type and value bytes (after the type word).
struct PropertyValue {
  std::uint32_t id;
  std::uint32_t type;
  Bytes value;
};
PropertyValue StringProperty(std::uint32_t id, const std::string& text);  // type 30, NUL-terminated
PropertyValue UnicodeProperty(std::uint32_t id, const std::u16string& text);  // type 31
PropertyValue FileTimeProperty(std::uint32_t id, std::uint64_t filetime);  // type 64
// The FILETIME of a UTC time given as seconds since 1970.
std::uint64_t FileTimeOfUnix(long long seconds);
// A property-set stream of one section holding `values`; `formatId` is the summary set's unless given.
Bytes SummaryStream(const std::vector<PropertyValue>& values,
                    std::optional<std::array<std::uint8_t, 16>> formatId = std::nullopt);

}  // namespace quellsy::test::formats
