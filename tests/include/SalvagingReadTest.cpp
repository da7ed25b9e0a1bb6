// Reads that keep every readable sector: checked against the bytes written to the device, with the bad sectors
// as zeros, the ranges reported once each, and the number of device reads the halving needs.

#include "include/SalvagingRead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "StorageDevice/StorageDeviceFactory.h"
#include "support/BadSectorCollector.h"
#include "support/FaultyRawReadBackend.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::BadSectorCollector;
using quellsy::test::MemoryDevice;

struct SalvageCase {
  const char* name;
  unsigned sectorSize;
  long long first;
  long long count;
  std::vector<BadSectorRange> bad;
  // Reads the halving may take at most: the whole span, then two per level down to each bad sector.
  int maxReads;
};

class SalvagingRead : public ::testing::TestWithParam<SalvageCase> {};

TEST_P(SalvagingRead, EveryReadableSectorKeepsItsBytesAndEachBadRunIsOneRange) {
  const SalvageCase& c = GetParam();
  constexpr long long kSectors = 300;
  const auto written = quellsy::test::PatternBytes(static_cast<std::size_t>(kSectors) * c.sectorSize, 7);
  MemoryDevice device(written, c.sectorSize);
  device.ZeroWholeFailedReads();
  auto expected = std::vector<std::uint8_t>(written.begin() + c.first * c.sectorSize,
                                            written.begin() + (c.first + c.count) * c.sectorSize);
  for (const BadSectorRange& range : c.bad) {
    device.FailSectors(static_cast<long long>(range.first), static_cast<long long>(range.count));
    for (std::uint64_t s = range.first; s < range.first + range.count; ++s)
      std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>((s - static_cast<std::uint64_t>(c.first)) * c.sectorSize),
                  c.sectorSize, std::uint8_t{0});
  }
  BadSectorCollector events;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.count) * c.sectorSize, 0xAA);

  const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(device, buffer.data(), c.first, c.count);

  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(read.unreadable, c.bad);
  EXPECT_FALSE(read.refused);
  EXPECT_EQ(read.Whole(), c.bad.empty());
  EXPECT_EQ(events.RangesBeforeMarker(), c.bad);
  EXPECT_LE(device.ReadCalls(), c.maxReads);
  for (long long s = c.first; s < c.first + c.count; ++s) {
    const bool bad = std::any_of(c.bad.begin(), c.bad.end(), [&](const BadSectorRange& r) {
      return static_cast<std::uint64_t>(s) >= r.first && static_cast<std::uint64_t>(s) < r.first + r.count;
    });
    EXPECT_EQ(read.Lost(s, 1), bad) << s;
  }
  EXPECT_EQ(read.AnyRead(c.first, c.count), c.name != std::string("EverySector"));
}

INSTANTIATE_TEST_SUITE_P(
    Spans, SalvagingRead,
    ::testing::Values(SalvageCase{"NothingBad", 512, 10, 128, {}, 1},
                      SalvageCase{"OneSectorOf128", 512, 10, 128, {{77, 1}}, 1 + 2 * 7},
                      SalvageCase{"ThreeSectorsAcrossTheMiddle", 512, 0, 128, {{63, 3}}, 1 + 2 * 7 * 2},
                      SalvageCase{"FirstAndLastSectors", 512, 20, 64, {{20, 1}, {83, 1}}, 1 + 2 * 6 * 2},
                      SalvageCase{"EverySector", 512, 40, 8, {{40, 8}}, 15},
                      SalvageCase{"OneSectorOf4096Bytes", 4096, 5, 16, {{12, 1}}, 1 + 2 * 4}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SalvagingReadRefusal, ASpanPastTheDeviceIsRefusedWithoutRetriesOrBadSectors) {
  MemoryDevice device(std::vector<std::uint8_t>(64 * 512, 1), 512);
  BadSectorCollector events;
  std::vector<std::uint8_t> buffer(32 * 512);
  const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(device, buffer.data(), 48, 32);
  EXPECT_TRUE(read.refused);
  EXPECT_TRUE(read.unreadable.empty());
  EXPECT_FALSE(read.AnyRead(48, 32));
  EXPECT_EQ(device.ReadCalls(), 1);
  EXPECT_TRUE(events.RangesBeforeMarker().empty());
  EXPECT_TRUE(quellsy::ReadSectorsSalvaging(device, nullptr, 0, 1).refused);
}

// A device that stopped answering is not read piece by piece: the first failed read ends it, and nothing of it
// is a bad sector.
TEST(SalvagingReadRefusal, ADeviceThatStoppedAnsweringIsNotReadAgainInPieces) {
  MemoryDevice device(std::vector<std::uint8_t>(64 * 512, 1), 512);
  device.StopAnswering();
  BadSectorCollector events;
  std::vector<std::uint8_t> buffer(32 * 512);
  const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(device, buffer.data(), 8, 32);
  EXPECT_TRUE(read.refused);
  EXPECT_TRUE(read.unreadable.empty());
  EXPECT_EQ(device.ReadCalls(), 1);
  EXPECT_TRUE(events.RangesBeforeMarker().empty());
}

// Through a real volume device over an image file whose reads fail wherever they touch the bad sector: the device
// reports nothing of its own while the read is salvaged, so the one range reported is the bad sector alone, not
// the span first asked for.
TEST(SalvagingReadVolume, AVolumeDeviceReportsOnlyTheSectorThatStaysUnreadable) {
  quellsy::test::TempDir dir;
  const auto written = quellsy::test::PatternBytes(256 * 512, 11);
  quellsy::test::WriteFile(dir / "volume", written);
  auto backend = std::make_shared<quellsy::test::FaultyRawReadBackend>();
  backend->FailRequestsCovering({100 * 512, 101 * 512});
  quellsy::test::ScopedRawReadBackend scoped(backend, std::chrono::seconds(30));
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "volume").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));
  BadSectorCollector events;
  quellsy::RawReadBuffer buffer(128 * 512);

  const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvagingInto(*volume, buffer, 64, 64, 64 * 512);

  const std::vector<BadSectorRange> bad{{100, 1}};
  EXPECT_EQ(read.unreadable, bad);
  EXPECT_EQ(events.RangesBeforeMarker(), bad);
  auto expected = std::vector<std::uint8_t>(written.begin() + 64 * 512, written.begin() + 128 * 512);
  std::fill_n(expected.begin() + 36 * 512, 512, std::uint8_t{0});
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.data() + 64 * 512, buffer.data() + 128 * 512), expected);
}

}  // namespace
