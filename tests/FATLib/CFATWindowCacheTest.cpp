// Scattered reads through the window cache: the device's bytes, one device read per window, and no answer where
// a sector cannot be read or the bytes leave the table or the window.

#include "FATLib/CFATWindowCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::MemoryDevice;

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kWindow = 8 * kSector;

TEST(CFATWindowCache, ScatteredReadsComeFromFewWindowReads) {
  MemoryDevice device(quellsy::test::PatternBytes(100 * kSector, 5), kSector);
  // The table starts at sector 4 and holds 90 sectors: windows of 8 sectors, at most 2 held.
  CFATWindowCache cache(&device, 4, 90, kSector, kWindow, 2);
  struct Case {
    std::uint64_t offset;  // into the table
    std::size_t bytes;
    bool ok;
    int reads;  // device reads the call makes
  };
  const std::vector<Case> cases = {
      {0, kSector, true, 1},                 // window 0 read
      {3 * kSector + 17, 100, true, 0},      // same window
      {kWindow - 4, 4, true, 0},             // its last bytes
      {kWindow - 4, 8, false, 0},            // crosses into window 1: refused before any read
      {5 * kWindow, kSector, true, 1},       // window 5
      {kWindow + 8, 16, true, 1},            // window 1: window 0 goes (two held)
      {9, 1, true, 1},                       // window 0 again
      {11 * kWindow, kSector, true, 1},      // the last, short window (sectors 88..89 of the table)
      {11 * kWindow + kSector, kSector, true, 0},
      {11 * kWindow + 2 * kSector, 1, false, 0},  // past the table's end
      {90 * kSector, 1, false, 0},
  };
  for (const Case& c : cases) {
    device.ResetCounters();
    std::vector<std::uint8_t> out(c.bytes, 0xEE);
    EXPECT_EQ(cache.Read(c.offset, out), c.ok) << c.offset;
    EXPECT_EQ(device.ReadCalls(), c.reads) << c.offset;
    if (!c.ok) {
      EXPECT_EQ(out, std::vector<std::uint8_t>(c.bytes, 0xEE)) << "untouched on refusal";
      continue;
    }
    const auto from = device.bytes().begin() + static_cast<std::ptrdiff_t>(4 * kSector + c.offset);
    EXPECT_EQ(out, std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(c.bytes))) << c.offset;
  }
}

// Candidates a band apart, one in every window, file after file: with a window held for every band each window is
// read once, however many rounds go over them; one window fewer than the bands and every look is a read.
TEST(CFATWindowCache, ARoundOverAllHeldWindowsReadsEachOnce) {
  constexpr std::size_t kBands = 40;
  MemoryDevice device(quellsy::test::PatternBytes(kBands * kWindow, 7), kSector);
  for (const std::size_t held : {kBands, kBands - 1}) {
    SCOPED_TRACE(held);
    CFATWindowCache cache(&device, 0, kBands * kWindow / kSector, kSector, kWindow, held);
    device.ResetCounters();
    std::vector<std::uint8_t> out(16);
    for (std::size_t round = 0; round < 3; ++round) {
      for (std::size_t band = 0; band < kBands; ++band) {
        const std::uint64_t offset = band * kWindow + round * 32;
        ASSERT_TRUE(cache.Read(offset, out));
        const auto from = device.bytes().begin() + static_cast<std::ptrdiff_t>(offset);
        ASSERT_EQ(out, std::vector<std::uint8_t>(from, from + 16));
      }
    }
    EXPECT_EQ(device.ReadCalls(), held == kBands ? static_cast<int>(kBands) : static_cast<int>(3 * kBands));
  }
}

// An unreadable sector answers nothing, but the sectors read with it do; the device fails whole reads over it,
// as a disk does. As a table, the sector reads as zeros (free entries), or as the other copy has it.
TEST(CFATWindowCache, AnUnreadableSectorAnswersNothingButItsWindowDoes) {
  MemoryDevice device(quellsy::test::PatternBytes(64 * kSector, 6), kSector);
  device.ZeroWholeFailedReads();
  device.FailSectors(10, 1);
  CFATWindowCache cache(&device, 0, 32, kSector, kWindow, 4);
  std::vector<std::uint8_t> out(kSector);
  EXPECT_FALSE(cache.Read(10 * kSector, out));
  EXPECT_EQ(cache.Le32(10 * kSector + 8), 0u);
  EXPECT_TRUE(cache.Read(9 * kSector, out));
  EXPECT_EQ(out, std::vector<std::uint8_t>(device.bytes().begin() + 9 * kSector, device.bytes().begin() + 10 * kSector));
  CFATWindowCache copied(&device, 0, 32, kSector, kWindow, 4);
  copied.SetOtherCopy(32);
  EXPECT_EQ(copied.Le32(10 * kSector + 8), quellsy::le32(device.bytes(), 42 * kSector + 8));
  EXPECT_TRUE(cache.Read(16 * kSector, out));
  EXPECT_EQ(out, std::vector<std::uint8_t>(device.bytes().begin() + 16 * kSector, device.bytes().begin() + 17 * kSector));
  CFATWindowCache none(nullptr, 0, 32, kSector, kWindow, 4);
  EXPECT_FALSE(none.Read(0, out));
}

}  // namespace
