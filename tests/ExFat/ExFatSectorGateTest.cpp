// The first look of the complete exFAT search against hand-built sectors: the up-case table's start, a boot
// sector, a FAT's start and a directory sector opening with each entry type the directory analysis takes up
// pass; sectors a byte away from them, and entry types it does not take up, do not.

#include "ExFat/ExFatSectorGate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExFat/ExFatTestBytes.h"

namespace {

using Sector = std::vector<std::uint8_t>;

// 0xC3 starts no entry type and no structure.
Sector Background() { return Sector(512, 0xC3); }

Sector Starting(std::initializer_list<std::uint8_t> bytes) {
  Sector sector = Background();
  std::copy(bytes.begin(), bytes.end(), sector.begin());
  return sector;
}

TEST(ExFatSectorGate, LetsThroughTheStartsOfWhatTheSearchAnalyses) {
  const quellsy::SectorGate& gate = exfat::ExFatSectorGate();
  ASSERT_LE(gate.Reach(), 512u);
  Sector boot = quellsy::test::exfatbytes::BootSector({});
  ASSERT_EQ(boot.size(), 512u);
  Sector bootMarkedAB = boot;
  bootMarkedAB[511] = 0xAB;
  struct Case {
    std::string what;
    Sector sector;
    bool passes;
  };
  std::vector<Case> cases = {
      {"bytes of nothing", Background(), false},
      {"up-case table start", Starting({0, 0, 1, 0, 2, 0, 3, 0}), true},
      {"units 0, 2", Starting({0, 0, 2, 0}), false},
      {"boot sector", boot, true},
      {"boot sector marked 0x55 0xAB", bootMarkedAB, false},
      {"FAT start", Starting({0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), true},
      {"FAT start with 0x7F", Starting({0xF8, 0xFF, 0xFF, 0x7F}), false},
  };
  // Label, bitmap, up-case, file, stream and name entries; label, file, stream and name also when deleted.
  for (const std::uint8_t type : {0x83, 0x03, 0x81, 0x82, 0x85, 0x05, 0xC0, 0x40, 0xC1, 0x41})
    cases.push_back({"entry type " + std::to_string(type), Starting({type}), true});
  // Bitmap and up-case entries not in use, the end mark's neighbours, and vendor entries.
  for (const std::uint8_t type : {0x01, 0x02, 0x80, 0x84, 0x86, 0xC2, 0xE0, 0xA0})
    cases.push_back({"entry type " + std::to_string(type), Starting({type}), false});
  for (const Case& c : cases) EXPECT_EQ(gate.MayHold(c.sector.data()), c.passes) << c.what;
}

}  // namespace
