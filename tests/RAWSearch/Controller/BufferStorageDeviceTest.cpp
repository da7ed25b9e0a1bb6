#include "RAWSearch/Controller/CBufferStorageDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "Utility/ByteReader.h"
#include "support/BadSectorCollector.h"
#include "support/MemoryDevice.h"

namespace {

using quellsy::test::MemoryDevice;

// A device whose every sector starts with its own number, so a read shows which sectors it got.
std::unique_ptr<MemoryDevice> StampedDevice(long long sectors, unsigned sectorSize) {
  auto device = std::make_unique<MemoryDevice>(sectors, sectorSize);
  for (long long s = 0; s < sectors; ++s) {
    quellsy::FieldWriter(quellsy::MutableByteSpan(device->bytes()).subspan(s * sectorSize, 8)).le64(0, s);
    std::memset(device->bytes().data() + s * sectorSize + 8, static_cast<int>(s % 251) + 1, sectorSize - 8);
  }
  return device;
}

// Feeds the ring block after block from the device, as the search does.
void Feed(CBufferStorageDevice& ring, MemoryDevice& device, long long firstBlock, long long blocks, unsigned spb) {
  std::vector<char> block(std::size_t{spb} * device.GetSectorSize());
  for (long long b = firstBlock; b < firstBlock + blocks; ++b) {
    ASSERT_TRUE(device.ReadSector(block.data(), b * spb, spb));
    ring.AddBlockToBuffer(block.data());
  }
}

// True when the sectors read are first .. first + count - 1 of the stamped device, in that order.
::testing::AssertionResult ReadsInDeviceOrder(CBufferStorageDevice& ring, MemoryDevice& device, long long first,
                                              long long count) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * device.GetSectorSize());
  if (!ring.ReadSector(out.data(), first, count)) return ::testing::AssertionFailure() << "read failed";
  const std::size_t offset = static_cast<std::size_t>(first) * device.GetSectorSize();
  if (std::memcmp(out.data(), device.bytes().data() + offset, out.size()) != 0)
    return ::testing::AssertionFailure() << "sectors " << first << "+" << count << " out of order";
  return ::testing::AssertionSuccess();
}

TEST(CBufferStorageDevice, TwentyBlocksFillTheRingAndTheTwentyFirstEvictsTheOldest) {
  constexpr unsigned kSpb = 8192;
  auto device = StampedDevice(22 * kSpb, 512);
  CBufferStorageDevice ring;
  ASSERT_TRUE(ring.InitBufferDevice(device.get(), 0, 512, kSpb, CBufferStorageDevice::kDefaultBlockCount));
  EXPECT_EQ(ring.GetType(), STORAGE_DEVICE_CACHE);

  Feed(ring, *device, 0, 19, kSpb);
  EXPECT_EQ(ring.IsFullBuffer(), 0);
  Feed(ring, *device, 19, 1, kSpb);
  EXPECT_EQ(ring.IsFullBuffer(), 1);
  EXPECT_EQ(ring.GetDeviceStartSector(), 0);
  EXPECT_EQ(ring.GetTotalSectors(), 163840);
  device->ResetCounters();
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 0, 3));
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 163830, 10));
  EXPECT_EQ(device->ReadCalls(), 0) << "held sectors come from memory";

  Feed(ring, *device, 20, 1, kSpb);
  device->ResetCounters();
  EXPECT_EQ(ring.GetDeviceStartSector(), 8192);
  EXPECT_EQ(ring.GetTotalSectors(), 163840);
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 8192, 109));
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 172031, 1));
  EXPECT_EQ(device->ReadCalls(), 0);

  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 8000, 301)) << "the evicted block's sectors";
  EXPECT_EQ(device->ReadCalls(), 1) << "answered by the source";
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 172031, 2)) << "past the newest block";
  EXPECT_EQ(device->ReadCalls(), 2);
}

// After wrapping, the newest block sits at the storage's start: a read across the storage's end
// must still come back in device order.
TEST(CBufferStorageDevice, WrappedReadsComeBackInDeviceOrder) {
  constexpr unsigned kSpb = 4;
  constexpr unsigned kBlocks = 5;
  for (unsigned sectorSize : {512u, 4096u}) {
    SCOPED_TRACE(sectorSize);
    auto device = StampedDevice(64, sectorSize);
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.InitBufferDevice(device.get(), 0, sectorSize, kSpb, kBlocks));
    EXPECT_EQ(ring.GetSectorSize(), sectorSize);
    Feed(ring, *device, 0, 7, kSpb);  // holds sectors 8..27; slots 0..7 hold 20..27
    device->ResetCounters();
    const struct {
      long long first, count;
    } reads[] = {{8, 20}, {15, 6}, {19, 2}, {20, 8}, {8, 1}, {27, 1}};
    for (const auto& r : reads) EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, r.first, r.count)) << r.first;
    EXPECT_EQ(device->ReadCalls(), 0);
    // Reaching out of the ring on either side goes to the source whole.
    EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 7, 2));
    EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 27, 2));
    EXPECT_EQ(device->ReadCalls(), 2);
  }
}

TEST(CBufferStorageDevice, WithoutSourceOrArmingReadsFail) {
  auto device = StampedDevice(16, 512);
  std::vector<std::uint8_t> out(4096);
  CBufferStorageDevice idle;
  EXPECT_FALSE(idle.ReadSector(out.data(), 0, 1)) << "not armed";
  EXPECT_EQ(idle.GetSectorSize(), 512u);

  CBufferStorageDevice ring;
  ASSERT_TRUE(ring.InitBufferDevice(nullptr, 4, 512, 2, 3));
  Feed(ring, *device, 2, 1, 2);  // sectors 4 and 5
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 4, 2));
  EXPECT_FALSE(ring.ReadSector(out.data(), 3, 1)) << "outside the ring without a source";
  EXPECT_FALSE(ring.ReadSector(out.data(), 4, 0));
  EXPECT_FALSE(ring.ReadSector(nullptr, 4, 1));
  EXPECT_EQ(ring.GetDeviceEndSector(), 6);

  EXPECT_TRUE(ring.Close());
  EXPECT_EQ(ring.GetTotalSectors(), 0);
  EXPECT_FALSE(ring.ReadSector(out.data(), 4, 1));
}

// Blocks made by the ring are zeroed with room before and after them; the ring keeps the blocks appended, not
// copies, and lets the oldest go once it is full.
TEST(CBufferStorageDevice, KeepsAppendedBlocksAndLetsTheOldestGo) {
  CBufferStorageDevice ring;
  ASSERT_TRUE(ring.InitBufferDevice(nullptr, 0, 512, 2, 3, 1024, 64));
  std::vector<std::shared_ptr<const SharedSectorBlock>> blocks;
  for (long long b = 0; b < 4; ++b) {
    const CBufferStorageDevice::MadeBlock made = ring.MakeBlock(2 * b, 2);
    ASSERT_NE(made.block, nullptr);
    EXPECT_EQ(made.bytes, made.block->data);
    EXPECT_EQ(made.block->capacity, 1024u);
    EXPECT_EQ(made.block->lookBack, 1024u);
    EXPECT_EQ(made.block->zeroTail, 64u);
    EXPECT_TRUE(std::all_of(made.bytes - 1024, made.bytes + 1024 + 64, [](unsigned char c) { return c == 0; }));
    std::fill(made.bytes, made.bytes + 1024, static_cast<unsigned char>(0x10 + b));
    blocks.push_back(made.block);
    ring.AppendBlock(made.block);
    EXPECT_EQ(ring.LastBlock(), made.block.get());
  }
  EXPECT_EQ(blocks[0].use_count(), 1) << "the oldest block left the ring";
  for (std::size_t b = 1; b < blocks.size(); ++b) EXPECT_EQ(blocks[b].use_count(), 2) << b;
  EXPECT_EQ(ring.GetDeviceStartSector(), 2);
  std::vector<std::uint8_t> out(3 * 1024);
  ASSERT_TRUE(ring.ReadSector(out.data(), 2, 6));
  for (std::size_t b = 0; b < 3; ++b) EXPECT_EQ(out[b * 1024 + 1023], 0x11 + b) << b;
}

TEST(CBufferStorageDevice, BlocksLetGoEarlyAreStillCountedAndReadFromTheSource) {
  constexpr unsigned kSpb = 4;
  auto device = StampedDevice(6 * kSpb, 512);
  CBufferStorageDevice ring;
  ASSERT_TRUE(ring.InitBufferDevice(device.get(), 0, 512, kSpb, 5));
  std::vector<std::shared_ptr<const SharedSectorBlock>> blocks;
  for (long long b = 0; b < 4; ++b) {
    const CBufferStorageDevice::MadeBlock made = ring.MakeBlock(b * kSpb, kSpb);
    ASSERT_TRUE(device->ReadSector(made.bytes, b * kSpb, kSpb));
    blocks.push_back(made.block);
    ring.AppendBlock(made.block);
  }

  // Sector 9 lies in block 2: blocks 0 and 1 end before it and go; the others stay.
  ring.ReleaseBefore(9);
  EXPECT_EQ(blocks[0].use_count(), 1);
  EXPECT_EQ(blocks[1].use_count(), 1);
  EXPECT_EQ(blocks[2].use_count(), 2);
  EXPECT_EQ(ring.GetDeviceStartSector(), 0) << "the ring still counts what it let go";
  EXPECT_EQ(ring.GetTotalSectors(), 4 * kSpb);
  device->ResetCounters();
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 8, 8));
  EXPECT_EQ(device->ReadCalls(), 0) << "kept blocks are read from memory";
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 6, 4));
  EXPECT_EQ(device->ReadCalls(), 1) << "a read touching a block let go comes from the source";

  // Nothing waits any more: every block but the newest goes, and the ring fills up as before.
  ring.ReleaseBefore(std::numeric_limits<long long>::max());
  EXPECT_EQ(blocks[2].use_count(), 1);
  EXPECT_EQ(ring.LastBlock(), blocks[3].get());
  const CBufferStorageDevice::MadeBlock fifth = ring.MakeBlock(4 * kSpb, kSpb);
  ring.AppendBlock(fifth.block);
  EXPECT_EQ(ring.IsFullBuffer(), 1);
}

// A ring of five 8-sector blocks over a stamped 48-sector device, fed its first three blocks and made to let
// them all go: what it reads of them now comes from the device again.
class RingThatLetGo : public ::testing::Test {
 protected:
  static constexpr unsigned kSpb = 8;
  void SetUp() override {
    ASSERT_TRUE(ring.InitBufferDevice(device.get(), 0, 512, kSpb, 5));
    Feed(ring, *device, 0, 3, kSpb);
    ring.ReleaseBefore(std::numeric_limits<long long>::max());
  }

  std::unique_ptr<MemoryDevice> device = StampedDevice(6 * kSpb, 512);
  CBufferStorageDevice ring;
};

// A block let go is read again from the source as the read-ahead made it: a read of it that fails on one sector
// (the source zeroing the whole failed read, as the raw-read routine does) still succeeds with only that sector
// zeros, and the sector is not reported again (the read-ahead did). Past what the ring counts, a failing read
// stays a failure.
TEST_F(RingThatLetGo, ReadsABlockAsItWasHeldAroundAnUnreadableSector) {
  device->FailSectors(5, 1);
  device->FailSectors(30, 1);
  device->ZeroWholeFailedReads();

  quellsy::test::BadSectorCollector events;
  std::vector<std::uint8_t> out(12 * 512, 0xEE);
  ASSERT_TRUE(ring.ReadSector(out.data(), 1, 12));
  EXPECT_TRUE(events.RangesBeforeMarker().empty());
  for (long long s = 1; s < 13; ++s) {
    SCOPED_TRACE(s);
    const auto* sector = out.data() + (s - 1) * 512;
    if (s == 5) {
      EXPECT_TRUE(std::all_of(sector, sector + 512, [](std::uint8_t b) { return b == 0; }));
    } else {
      EXPECT_EQ(std::memcmp(sector, device->bytes().data() + s * 512, 512), 0);
    }
  }
  EXPECT_FALSE(ring.ReadSector(out.data(), 28, 4)) << "sectors the ring never counted read as the source gives them";
}

// A source that stopped answering (a card pulled out) fails the read of a block let go at once: no sector by
// sector retries over a device that is gone, and no zeros passed off as its sectors.
TEST_F(RingThatLetGo, DoesNotReadABlockAgainPieceByPieceFromASourceThatStoppedAnswering) {
  device->StopAnswering();
  device->ResetCounters();

  quellsy::test::BadSectorCollector events;
  std::vector<std::uint8_t> out(12 * 512);
  EXPECT_FALSE(ring.ReadSector(out.data(), 1, 12));
  EXPECT_EQ(device->ReadCalls(), 1);
  EXPECT_TRUE(events.RangesBeforeMarker().empty());
  EXPECT_TRUE(ReadsInDeviceOrder(ring, *device, 16, 8)) << "the block still held is served from memory";
}

TEST(CBufferStorageDevice, AbsurdGeometryIsRefusedWithoutAllocating) {
  CBufferStorageDevice ring;
  EXPECT_FALSE(ring.InitBufferDevice(nullptr, 0, 512, 0, 20));
  EXPECT_FALSE(ring.InitBufferDevice(nullptr, 0, 0, 8, 20));
  EXPECT_FALSE(ring.InitBufferDevice(nullptr, 0, 4096, 0x80000000u, 20)) << "sector count past 32 bits";
  EXPECT_FALSE(ring.InitBufferDevice(nullptr, 0, 4096, 1u << 20, 20)) << "80 GiB of ring";
  EXPECT_EQ(ring.IsFullBuffer(), 0);
  std::vector<char> block(512);
  ring.AddBlockToBuffer(block.data());
  EXPECT_EQ(ring.GetTotalSectors(), 0);
}

}  // namespace
