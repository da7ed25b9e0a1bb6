#include "FATLib/CFATFolderReadAhead.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/MemoryDevice.h"

namespace {

using quellsy::test::MemoryDevice;
using FolderRun = CFATFolderReadAhead::Run;
using Held = CFATFolderReadAhead::Held;

constexpr unsigned kSector = 512;

// Every byte tells its own offset, so bytes from the wrong place cannot pass.
MemoryDevice PatternDevice(long long sectors) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(sectors) * kSector);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i >> 9) * 7 + i);
  return MemoryDevice(std::move(bytes), kSector);
}

std::vector<std::uint8_t> Slice(MemoryDevice& device, FolderRun run) {
  const auto from = device.bytes().begin() + static_cast<std::ptrdiff_t>(run.sector * kSector);
  return {from, from + static_cast<std::ptrdiff_t>(run.sectors * kSector)};
}

TEST(CFATFolderReadAhead, HandsOverTheRunsItReadOnceEachAndNothingElse) {
  MemoryDevice device = PatternDevice(400);
  CFATFolderReadAhead ahead(&device, kSector);
  // 10-21 and 40-167 lie 18 sectors apart and are read together; 300 lies 132 sectors past them (64 KiB is 128).
  const std::vector<FolderRun> runs{{10, 12}, {300, 1}, {40, 128}};
  ahead.Fill(runs);
  EXPECT_EQ(device.ReadCalls(), 2);
  for (const FolderRun& run : runs) {
    ASSERT_TRUE(ahead.Holds(run));
    std::vector<std::uint8_t> out(run.sectors * kSector);
    EXPECT_EQ(ahead.Take(run, out.data()), Held::kRead);
    EXPECT_EQ(out, Slice(device, run)) << run.sector;
    EXPECT_EQ(ahead.Take(run, out.data()), Held::kNo) << "taken twice";
  }
  std::vector<std::uint8_t> out(12 * kSector);
  EXPECT_EQ(ahead.Take({10, 11}, out.data()), Held::kNo) << "a run of another length is another read";
  EXPECT_EQ(device.ReadCalls(), 2);
}

// A run loses only its own unreadable sectors (zeros); it fails only when none of its sectors can be read, and
// says so when its first sector is lost. The device fails whole reads over a bad sector, as a disk does.
TEST(CFATFolderReadAhead, ARunLosesOnlyItsUnreadableSectors) {
  struct Case {
    const char* what;
    std::vector<long long> bad;
    Held first;
    Held second;
  };
  for (const Case& c : {Case{"inside the first run", {20}, Held::kRead, Held::kRead},
                        Case{"the first run's first sector", {18}, Held::kReadFirstSectorLost, Held::kRead},
                        Case{"in the gap read along", {25}, Held::kRead, Held::kRead},
                        Case{"the whole second run", {30, 31}, Held::kRead, Held::kFailed}}) {
    SCOPED_TRACE(c.what);
    MemoryDevice device = PatternDevice(100);
    device.ZeroWholeFailedReads();
    for (const long long sector : c.bad) device.FailSectors(sector, 1);
    // What each run holds: the device's bytes, zeros in its bad sectors.
    const auto expected = [&](FolderRun run) {
      std::vector<std::uint8_t> bytes = Slice(device, run);
      for (const long long sector : c.bad)
        if (sector >= static_cast<long long>(run.sector) && sector < static_cast<long long>(run.sector + run.sectors))
          std::fill_n(bytes.begin() + (sector - static_cast<long long>(run.sector)) * kSector, kSector, 0);
      return bytes;
    };
    CFATFolderReadAhead ahead(&device, kSector);
    ahead.Fill({{18, 4}, {30, 2}});
    std::vector<std::uint8_t> out(4 * kSector, 0xAB);
    EXPECT_EQ(ahead.Take({18, 4}, out.data()), c.first);
    EXPECT_EQ(out, expected({18, 4}));
    std::vector<std::uint8_t> second(2 * kSector, 0xAB);
    EXPECT_EQ(ahead.Take({30, 2}, second.data()), c.second);
    if (c.second == Held::kFailed) {
      EXPECT_EQ(second, std::vector<std::uint8_t>(2 * kSector, 0xAB)) << "a failed run leaves the caller's bytes alone";
    } else {
      EXPECT_EQ(second, expected({30, 2}));
    }
  }
}

TEST(CFATFolderReadAhead, ReadsNoMoreThanItsLimitsAllowAndForgetsAtTheNextFill) {
  MemoryDevice device = PatternDevice(20000);
  CFATFolderReadAhead ahead(&device, kSector);
  std::vector<FolderRun> many;
  for (std::uint64_t i = 0; i < CFATFolderReadAhead::kMaxRuns + 5; ++i) many.push_back({i * 2, 1});
  ahead.Fill(many);
  EXPECT_EQ(device.ReadCalls(), 1) << "runs a sector apart are one read";
  EXPECT_TRUE(ahead.Holds(many[CFATFolderReadAhead::kMaxRuns - 1]));
  EXPECT_FALSE(ahead.Holds(many.back()));

  const std::uint64_t half = CFATFolderReadAhead::kMaxBytes / kSector / 2;
  ahead.Fill({{0, half}, {half, half}, {2 * half, 1}});
  EXPECT_FALSE(ahead.Holds(many.front())) << "a fill forgets the runs before it";
  EXPECT_TRUE(ahead.Holds({half, half}));
  EXPECT_FALSE(ahead.Holds({2 * half, 1})) << "past the byte limit";
}

}  // namespace
