#include "RAWSearch/Framework/RawFileBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RAWSearch/Controller/CBufferStorageDevice.h"
#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RawSearchTestSupport.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::MemoryDevice;
using quellsy::test::PatternBytes;
using quellsy::test::RawSearchTest;
using quellsy::test::ScriptedProgress;

using RawFileBufferTest = RawSearchTest;

MemoryDevice PatternDevice(long long sectors, unsigned sectorSize, std::uint32_t seed = 3) {
  return MemoryDevice(PatternBytes(static_cast<std::size_t>(sectors) * sectorSize, seed), sectorSize);
}

// The `length` bytes the window shows at `offset` are the device's bytes there.
::testing::AssertionResult ShowsDeviceBytes(const unsigned char* window, MemoryDevice& device, long long startSector,
                                            std::uint64_t offset, std::size_t length) {
  if (!window) return ::testing::AssertionFailure() << "no window at " << offset;
  const std::size_t at = static_cast<std::size_t>(startSector) * device.GetSectorSize() + offset;
  if (std::memcmp(window, device.bytes().data() + at, length) != 0)
    return ::testing::AssertionFailure() << "wrong bytes at offset " << offset;
  return ::testing::AssertionSuccess();
}

TEST_F(RawFileBufferTest, WindowsAre128SectorsLoadedOnceEach) {
  for (unsigned sectorSize : {512u, 4096u}) {
    SCOPED_TRACE(sectorSize);
    const std::uint64_t window = std::uint64_t{sectorSize} * 128;
    MemoryDevice device = PatternDevice(400, sectorSize);
    RawFileBuffer reader(&device, 10);
    EXPECT_EQ(reader.WindowBytes(), window);
    const struct {
      std::uint64_t offset;
      int readsAfter;
    } steps[] = {{0, 1}, {window - 1, 1}, {window, 2}, {window + 7, 2}, {3, 3}, {2 * window + 1, 4}};
    for (const auto& step : steps) {
      const unsigned char* byte = reader.GetRawFileBuffer(step.offset);
      EXPECT_TRUE(ShowsDeviceBytes(byte, device, 10, step.offset, 1));
      EXPECT_EQ(device.ReadCalls(), step.readsAfter) << "offset " << step.offset;
    }
    // One sector past the window's end may be read from the pointer of its last byte.
    const unsigned char* last = reader.GetRawFileBuffer(window - 1);
    EXPECT_TRUE(ShowsDeviceBytes(last, device, 10, window - 1, 1 + sectorSize));
    EXPECT_EQ(reader.GetRawFileSpan(window - 1).size(), 1u + sectorSize);
  }
}

TEST_F(RawFileBufferTest, SectorSizeIsMeasuredPerDeviceNotOncePerProcess) {
  MemoryDevice small = PatternDevice(300, 512, 5);
  MemoryDevice large = PatternDevice(300, 4096, 6);
  RawFileBuffer first(&small, 0);
  EXPECT_TRUE(ShowsDeviceBytes(first.GetRawFileBuffer(70000), small, 0, 70000, 16));
  RawFileBuffer second(&large, 1);
  EXPECT_EQ(second.WindowBytes(), 4096u * 128);
  EXPECT_TRUE(ShowsDeviceBytes(second.GetRawFileBuffer(524287), large, 1, 524287, 4097));
  EXPECT_EQ(large.ReadCalls(), 1);
}

TEST_F(RawFileBufferTest, SectorsLargerThanTheSharedBufferAllowsAreRefused) {
  MemoryDevice huge(4, 8192);
  RawFileBuffer reader(&huge, 0);
  EXPECT_EQ(reader.GetRawFileBuffer(0), nullptr);
  EXPECT_TRUE(reader.GetRawFileSpan(0).empty());
  EXPECT_EQ(huge.ReadCalls(), 0);
  RawFileBuffer none(nullptr, 0);
  EXPECT_EQ(none.WindowBytes(), 0x10000u);
  EXPECT_EQ(none.GetRawFileBuffer(0), nullptr);
}

TEST_F(RawFileBufferTest, TheLastWindowHoldsWhatIsLeftOfTheDeviceAndZerosBehindIt) {
  MemoryDevice device = PatternDevice(300, 512);
  RawFileBuffer reader(&device, 0);
  const std::uint64_t lastWindow = 2 * 65536;  // sectors 256..299: 44 sectors left
  EXPECT_TRUE(ShowsDeviceBytes(reader.GetRawFileBuffer(lastWindow), device, 0, lastWindow, 44 * 512));
  EXPECT_EQ(reader.GetRawFileSpan(lastWindow + 100).size(), 44u * 512 - 100);
  const unsigned char* past = reader.GetRawFileBuffer(lastWindow + 44 * 512);
  ASSERT_NE(past, nullptr);
  EXPECT_EQ(past[0], 0);
  EXPECT_TRUE(reader.GetRawFileSpan(lastWindow + 44 * 512).empty());
  EXPECT_EQ(reader.GetRawFileBuffer(3 * 65536), nullptr) << "a window wholly past the end";

  // Exactly 128 sectors left: the fallback reads them all.
  MemoryDevice exact = PatternDevice(256, 512);
  RawFileBuffer edge(&exact, 128);
  EXPECT_TRUE(ShowsDeviceBytes(edge.GetRawFileBuffer(0), exact, 128, 0, 128 * 512));
}

// Through the ring, the end of the data is the source device's end, not the number of sectors the
// ring happens to hold.
TEST_F(RawFileBufferTest, RingDeviceFallbackUsesTheSourceDevicesEnd) {
  MemoryDevice device = PatternDevice(300, 512);
  CBufferStorageDevice ring;
  ASSERT_TRUE(ring.InitBufferDevice(&device, 0, 512, 8, 20));
  std::vector<char> block(8 * 512);
  for (long long b = 0; b < 20; ++b) {
    ASSERT_TRUE(device.ReadSector(block.data(), b * 8, 8));
    ring.AddBlockToBuffer(block.data());
  }
  ASSERT_EQ(ring.GetTotalSectors(), 160);
  RawFileBuffer reader(&ring, 200);
  EXPECT_TRUE(ShowsDeviceBytes(reader.GetRawFileBuffer(0), device, 200, 0, 100 * 512));
  RawFileBuffer inRing(&ring, 10);
  EXPECT_TRUE(ShowsDeviceBytes(inRing.GetRawFileBuffer(5), device, 10, 5, 129 * 512 - 5));
}

TEST_F(RawFileBufferTest, AnUnreadableWindowGivesNull) {
  MemoryDevice device = PatternDevice(600, 512);
  device.FailSectors(300, 1);
  RawFileBuffer reader(&device, 0);
  EXPECT_NE(reader.GetRawFileBuffer(0), nullptr);
  EXPECT_EQ(reader.GetRawFileBuffer(2 * 65536), nullptr);
  EXPECT_TRUE(ShowsDeviceBytes(reader.GetRawFileBuffer(10), device, 0, 10, 1)) << "the earlier window loads again";
  RawFileBuffer far(&device, (1ULL << 63) - 10);
  EXPECT_EQ(far.GetRawFileBuffer(~0ULL), nullptr) << "a window whose sector number would overflow";
  EXPECT_EQ(device.ReadCalls(), 4);
}

// The buffer is shared: a reader must not take another reader's window for its own.
TEST_F(RawFileBufferTest, InterleavedReadersEachSeeTheirOwnFile) {
  MemoryDevice device = PatternDevice(600, 512);
  RawFileBuffer a(&device, 0);
  RawFileBuffer b(&device, 300);
  EXPECT_TRUE(ShowsDeviceBytes(a.GetRawFileBuffer(0), device, 0, 0, 512));
  EXPECT_TRUE(ShowsDeviceBytes(b.GetRawFileBuffer(0), device, 300, 0, 512));
  EXPECT_TRUE(ShowsDeviceBytes(a.GetRawFileBuffer(10), device, 0, 10, 512));
  EXPECT_EQ(device.ReadCalls(), 3);
  RawFileBuffer::ResetSharedWindow();
  EXPECT_TRUE(ShowsDeviceBytes(a.GetRawFileBuffer(20), device, 0, 20, 1));
  EXPECT_EQ(device.ReadCalls(), 4);
}

TEST_F(RawFileBufferTest, CancelGivesNullAndResetForgetsTheSink) {
  MemoryDevice device = PatternDevice(300, 512);
  RawFileBuffer reader(&device, 0);
  ScriptedProgress progress;
  CNotifyCenter::Instance()->SetProgress(&progress);
  EXPECT_NE(reader.GetRawFileBuffer(0), nullptr);
  progress.go = false;
  EXPECT_EQ(CNotifyCenter::Instance()->isContinue(), 0);
  EXPECT_EQ(reader.GetRawFileBuffer(0), nullptr) << "even for the window already loaded";
  EXPECT_EQ(progress.asked, 3);
  CNotifyCenter::Instance()->Reset();
  EXPECT_NE(CNotifyCenter::Instance()->isContinue(), 0);
  EXPECT_NE(reader.GetRawFileBuffer(0), nullptr);
}

}  // namespace
