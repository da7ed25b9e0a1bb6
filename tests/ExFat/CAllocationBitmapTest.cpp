// The allocation bitmap as a deleted file's chain reads it: the next clear bit, across window ends, and what an
// unreadable or absent bitmap answers.

#include "ExFat/CAllocationBitmap.h"

#include <gtest/gtest.h>

#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

constexpr long long kBitmapSector = 4;
// Two windows and a bit: clusters 2 up to 2 + 8 x (1 MiB + 512) - 1.
constexpr std::uint64_t kBitmapBytes = (1u << 20) + 512;

// Every cluster in use except the ones listed.
MemoryDevice BitmapDevice(const std::vector<std::uint32_t>& free) {
  MemoryDevice device(kBitmapSector + static_cast<long long>(kBitmapBytes / 512) + 4, 512);
  std::fill(device.bytes().begin() + kBitmapSector * 512,
            device.bytes().begin() + kBitmapSector * 512 + static_cast<long long>(kBitmapBytes), 0xFF);
  for (const std::uint32_t cluster : free)
    device.bytes()[kBitmapSector * 512 + (cluster - 2) / 8] &= static_cast<std::uint8_t>(~(1u << ((cluster - 2) % 8)));
  return device;
}

TEST(ExFatAllocationBitmap, TheNextClearBitAfterACluster) {
  // Cluster 8388610 is the first one of the second window (bit 8 x 2^20).
  MemoryDevice device = BitmapDevice({3, 10, 8388609, 8388610, 8388700});
  CAllocationBitmap bitmap;
  EXPECT_FALSE(bitmap.IsKnown());
  EXPECT_EQ(bitmap.NextFreeCluster(2, 100), 0u);
  bitmap.Create(&device, kBitmapSector, kBitmapBytes);
  ASSERT_TRUE(bitmap.IsKnown());
  EXPECT_EQ(bitmap.NextFreeCluster(2, 100), 3u);
  EXPECT_EQ(bitmap.NextFreeCluster(3, 100), 10u);
  EXPECT_EQ(bitmap.NextFreeCluster(3, 10), 0u);  // the limit is not a cluster
  EXPECT_EQ(bitmap.NextFreeCluster(10, 9000000), 8388609u);
  const int reads = device.ReadCalls();
  EXPECT_EQ(bitmap.NextFreeCluster(8388609, 9000000), 8388610u);
  EXPECT_EQ(device.ReadCalls(), reads + 1);  // the second window
  EXPECT_EQ(bitmap.NextFreeCluster(8388610, 9000000), 8388700u);
  EXPECT_EQ(device.ReadCalls(), reads + 1);
}

TEST(ExFatAllocationBitmap, PastItsEndOrUnreadableThereIsNoFreeCluster) {
  MemoryDevice device = BitmapDevice({});
  CAllocationBitmap bitmap;
  bitmap.Create(&device, kBitmapSector, kBitmapBytes);
  // Every bit set up to the bitmap's end, and nothing read beyond it.
  EXPECT_EQ(bitmap.NextFreeCluster(8388000, 0xFFFFFFF0), 0u);
  device.FailSectors(kBitmapSector, 1);
  CAllocationBitmap unreadable;
  unreadable.Create(&device, kBitmapSector, kBitmapBytes);
  EXPECT_EQ(unreadable.NextFreeCluster(2, 100), 0u);
  CAllocationBitmap none;
  none.Create(nullptr, kBitmapSector, kBitmapBytes);
  EXPECT_FALSE(none.IsKnown());
}

}  // namespace
}  // namespace quellsy::test
