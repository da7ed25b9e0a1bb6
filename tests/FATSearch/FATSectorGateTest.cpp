// The first look of the complete FAT search against hand-built sectors of every structure it must let through
// (boot sectors, FAT starts of each width, directory sectors opening with each kind of entry) and near-misses
// that differ from them in one byte, and against the FAT tests themselves on changed copies of those sectors.

#include "FATSearch/FATSectorGate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "FATLib/CFAT12Table.h"
#include "FATLib/CFATFolderAnalyser.h"
#include "FATLib/CFATTableAnalyser.h"
#include "FATLib/CTempFATDBR.h"
#include "FATLib/FatTestBytes.h"

namespace {

using namespace quellsy::test;
using Sector = std::vector<std::uint8_t>;

// Bytes that start no structure: 0xC3 is no attribute (above 0x3F) and no time's high byte (hour 24).
Sector Background() { return Sector(512, 0xC3); }

Sector WithBytes(Sector sector, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
  for (const auto& [at, value] : bytes) sector[at] = value;
  return sector;
}

// A directory sector whose first entry is `entry` (a long-name part is followed by its short entry), the rest
// blank.
Sector WithEntry(const std::array<std::uint8_t, 32>& entry) {
  Sector sector(512, 0);
  PutEntry(sector, 0, entry);
  if (entry[11] == 0x0F) PutEntry(sector, 1, MakeEntry({"AB      TXT", 0x20, 7, 10}));
  return sector;
}

Sector DirectoryFirstSector() {
  Sector sector(512, 0);
  PutEntry(sector, 0, MakeEntry({".          ", 0x10, 5}));
  PutEntry(sector, 1, MakeEntry({"..         ", 0x10, 0}));
  PutEntry(sector, 2, MakeEntry({"REPORT  TXT", 0x20, 6, 100}));
  return sector;
}

struct Case {
  const char* what;
  Sector sector;
  bool passes;
};

std::vector<Case> Cases() {
  const Sector boot = MakeBootSector(Fat32Fields());
  const Sector fat32 = WithBytes(Background(), {{0, 0xF8}, {1, 0xFF}, {2, 0xFF}, {3, 0x0F}, {4, 0xFF}, {5, 0xFF},
                                                {6, 0xFF}, {7, 0x0F}});
  const Sector named = WithEntry(MakeEntry({"REPORT  TXT", 0x20, 6, 100}));
  return {
      {"bytes of no structure", Background(), false},
      {"zeros", Sector(512, 0), false},
      {"FAT32 boot sector", boot, true},
      {"boot sector marked 0x55 0xAB", WithBytes(Background(), {{0, 0xEB}, {510, 0x55}, {511, 0xAB}}), false},
      {"0x55 0xAA behind a zero first byte", WithBytes(Background(), {{0, 0}, {510, 0x55}, {511, 0xAA}}), false},
      {"FAT32 start", fat32, true},
      {"FAT16 start", WithBytes(Background(), {{0, 0xF8}, {1, 0xFF}, {2, 0xFF}, {3, 0xFF}}), true},
      {"FAT12 start, media 0xF0", WithBytes(Background(), {{0, 0xF0}, {1, 0xFF}, {2, 0xFF}}), true},
      {"FAT start with media byte 0xE8", WithBytes(fat32, {{0, 0xE8}}), false},
      {"FAT start with 0xFE second", WithBytes(fat32, {{1, 0xFE}}), false},
      {"directory opening with . and ..", DirectoryFirstSector(), true},
      {"named entry", named, true},
      {"erased entry", WithBytes(named, {{0, 0xE5}}), true},
      {"entry with attribute 0x40", WithBytes(named, {{11, 0x40}}), false},
      {"entry written at hour 24", WithBytes(named, {{23, 0xC0}}), false},
      {"entry created at hour 25", WithBytes(named, {{15, 0xC8}}), false},
      {"name opening with a blank", WithBytes(named, {{0, 0x20}}), false},
      {"name opening with a control character", WithBytes(named, {{0, 0x05}}), false},
      {"label opening with a control character", WithEntry(MakeEntry({"\x05QUELLSY   ", 0x08})), true},
      {"label written at hour 24", WithBytes(WithEntry(MakeEntry({"QUELLSY    ", 0x08})), {{23, 0xC0}}), false},
      // Units 'a' 'b', the terminating zero, then 0xFFFF: byte 15 is 0xFF, which no long-name part is tested on.
      {"long-name part", WithEntry(MakeLongNameEntry(0x41, u"ab")), true},
      {"long-name part with a zero first byte", WithBytes(WithEntry(MakeLongNameEntry(0x41, u"ab")), {{0, 0}}), false},
  };
}

// What the complete FAT search does with a sector, by its own tests: anything but nothing.
bool AnyFATTestTakes(const Sector& sector) {
  if (sector[0] == 0) return false;
  enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_UNKNOWN;
  CFATFolderAnalyser folder(512);
  return CTempFATDBR::SimpleCheck(sector) || CFATTableAnalyser::IsValidFATTableFirstSector(sector, type) ||
         CFAT12Table::CheckFATHeader(sector) || folder.AnalyseSector(sector);
}

TEST(FATSectorGate, LetsThroughExactlyTheSectorsThatMayStartAStructure) {
  const quellsy::SectorGate& gate = quellsy::fatsearch::FATSectorGate();
  ASSERT_LE(gate.Reach(), 512u);
  for (const Case& c : Cases()) {
    EXPECT_EQ(gate.MayHold(c.sector.data()), c.passes) << c.what;
    // The cases are what they say: the FAT tests take exactly the ones the look lets through.
    EXPECT_EQ(AnyFATTestTakes(c.sector), c.passes) << c.what;
  }
}

TEST(FATSectorGate, TurnsAwayNoSectorTheFATTestsTake) {
  const quellsy::SectorGate& gate = quellsy::fatsearch::FATSectorGate();
  std::vector<Sector> taken;
  for (const Case& c : Cases())
    if (c.passes) taken.push_back(c.sector);
  std::mt19937 random(7);
  // Changes fall on the bytes the look reads and on their neighbours.
  const std::vector<std::size_t> places = {0, 1, 2, 3, 10, 11, 12, 14, 15, 16, 22, 23, 24, 509, 510, 511};
  int takenChanged = 0;
  for (int round = 0; round < 30000; ++round) {
    Sector sector = taken[static_cast<std::size_t>(round) % taken.size()];
    for (int c = 0; c <= round % 3; ++c)
      sector[places[random() % places.size()]] = static_cast<std::uint8_t>(random());
    if (!AnyFATTestTakes(sector)) continue;
    ++takenChanged;
    ASSERT_TRUE(gate.MayHold(sector.data())) << round;
  }
  EXPECT_GT(takenChanged, 10000) << "most changed sectors are still taken";
}

}  // namespace
