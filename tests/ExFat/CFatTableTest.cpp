// The FAT read through 1 MiB windows: which entries need a read, which window goes when nine are held, and what
// an unreadable or absent table answers.

#include "ExFat/CFatTable.h"

#include <gtest/gtest.h>

#include "Utility/ByteReader.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

constexpr long long kFatStart = 8;
// Entries of 11 windows; each entry holds its own index times 3 plus 1, so every read can be checked by hand.
constexpr std::uint32_t kEntries = 11 * (1u << 18);
constexpr std::uint32_t kFatSectors = kEntries * 4 / 512;

std::uint32_t Expected(std::uint32_t cluster) { return cluster * 3 + 1; }

MemoryDevice MakeDevice() {
  MemoryDevice device(kFatStart + kFatSectors + 16, 512);
  FieldWriter writer(std::span(device.bytes()).subspan(kFatStart * 512));
  for (std::uint32_t c = 0; c < kEntries; ++c) writer.le32(std::size_t{c} * 4, Expected(c));
  return device;
}

TEST(ExFatFatTable, TheFirstWindowIsReadOnCreationAndServesItsEntries) {
  MemoryDevice device = MakeDevice();
  CFatTable table;
  table.CreateFatTable(&device, kFatStart, kFatSectors, kEntries);
  ASSERT_TRUE(table.IsValid());
  EXPECT_EQ(device.ReadCalls(), 1);
  EXPECT_EQ(device.SectorsRead(), 2048);  // 1 MiB of 512-byte sectors
  EXPECT_EQ(table.GetNextCluster(0), Expected(0));
  EXPECT_EQ(table.GetNextCluster(262143), Expected(262143));
  EXPECT_EQ(device.ReadCalls(), 1);
  // The first entry of the second window.
  EXPECT_EQ(table.GetNextCluster(262144), Expected(262144));
  EXPECT_EQ(device.ReadCalls(), 2);
}

TEST(ExFatFatTable, NineWindowsAtMostAndTheLowestGoesFirst) {
  MemoryDevice device = MakeDevice();
  CFatTable table;
  table.CreateFatTable(&device, kFatStart, kFatSectors, kEntries);
  for (std::uint32_t window = 1; window < 9; ++window)
    EXPECT_EQ(table.GetNextCluster(window << 18), Expected(window << 18));
  EXPECT_EQ(table.CachedWindows(), 9u);
  EXPECT_EQ(device.ReadCalls(), 9);
  // A tenth window drops window 0 ...
  EXPECT_EQ(table.GetNextCluster(9u << 18), Expected(9u << 18));
  EXPECT_EQ(table.CachedWindows(), 9u);
  EXPECT_EQ(device.ReadCalls(), 10);
  // ... so window 1 is still there and window 0 is read again.
  EXPECT_EQ(table.GetNextCluster((1u << 18) + 5), Expected((1u << 18) + 5));
  EXPECT_EQ(device.ReadCalls(), 10);
  EXPECT_EQ(table.GetNextCluster(7), Expected(7));
  EXPECT_EQ(device.ReadCalls(), 11);
}

// An unreadable sector ends the chains through its entries; the entries read with it stay. The device fails whole
// reads over it, as a disk does.
TEST(ExFatFatTable, EntriesBeyondTheTableOrInAnUnreadableSectorEndTheChain) {
  MemoryDevice device = MakeDevice();
  device.ZeroWholeFailedReads();
  device.FailSectors(kFatStart + 2048 * 3, 1);
  CFatTable table;
  table.CreateFatTable(&device, kFatStart, kFatSectors, kEntries);
  EXPECT_EQ(table.GetNextCluster(kEntries), CFatTable::kNoCluster);
  EXPECT_EQ(table.GetNextCluster(0xFFFFFFF0), CFatTable::kNoCluster);
  EXPECT_EQ(table.GetNextCluster(3u << 18), CFatTable::kNoCluster);
  EXPECT_EQ(table.GetNextCluster((3u << 18) + 128), Expected((3u << 18) + 128)) << "the sector after it";
  EXPECT_EQ(table.GetNextCluster(kEntries - 1), Expected(kEntries - 1));
  table.ClearFatData();
  EXPECT_FALSE(table.IsValid());
  EXPECT_EQ(table.GetNextCluster(1), CFatTable::kNoCluster);
}

struct CreateCase {
  const char* name;
  bool device;
  long long start;
  std::uint32_t sectors;
  long long failSector;
  bool valid;
  long long failCount = 1;
};

void PrintTo(const CreateCase& c, std::ostream* os) { *os << c.name; }

class ExFatFatTableCreate : public testing::TestWithParam<CreateCase> {};

TEST_P(ExFatFatTableCreate, NeedsADeviceAPlaceInsideItAndAReadableFirstWindow) {
  const CreateCase& c = GetParam();
  MemoryDevice device(64, 512);
  if (c.failSector >= 0) device.FailSectors(c.failSector, c.failCount);
  CFatTable table;
  table.CreateFatTable(c.device ? &device : nullptr, c.start, c.sectors, 100);
  EXPECT_EQ(table.IsValid(), c.valid);
  if (!c.valid) {
    EXPECT_EQ(table.GetNextCluster(2), CFatTable::kNoCluster);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExFatFatTableCreate,
                         testing::Values(CreateCase{"Fits", true, 8, 8, -1, true},
                                         CreateCase{"NoDevice", false, 8, 8, -1, false},
                                         CreateCase{"NoLength", true, 8, 0, -1, false},
                                         CreateCase{"NegativeStart", true, -1, 8, -1, false},
                                         CreateCase{"EndsAtTheLastSector", true, 56, 8, -1, false},
                                         CreateCase{"EndsBeforeTheLastSector", true, 55, 8, -1, true},
                                         CreateCase{"OneSectorUnreadable", true, 8, 8, 10, true},
                                         CreateCase{"Unreadable", true, 8, 8, 8, false, 8}),
                         [](const testing::TestParamInfo<CreateCase>& param) { return std::string(param.param.name); });

TEST(ExFatFatTable, FourKibSectorsKeepOneMibWindows) {
  // 4096-byte sectors: 256 sectors a window, still 262144 entries.
  constexpr std::uint32_t sectors = 2 * 256 + 1;
  MemoryDevice device(1 + sectors + 1, 4096);
  FieldWriter writer(std::span(device.bytes()).subspan(4096));
  for (std::uint32_t c = 0; c < sectors * 1024; ++c) writer.le32(std::size_t{c} * 4, Expected(c));
  CFatTable table;
  table.CreateFatTable(&device, 1, sectors, sectors * 1024);
  EXPECT_EQ(device.SectorsRead(), 256);
  EXPECT_EQ(table.GetNextCluster(262143), Expected(262143));
  EXPECT_EQ(device.ReadCalls(), 1);
  EXPECT_EQ(table.GetNextCluster(2 * 262144 + 3), Expected(2 * 262144 + 3));
  // The last window holds the one sector left of the table.
  EXPECT_EQ(device.SectorsRead(), 257);
}

}  // namespace
}  // namespace quellsy::test
