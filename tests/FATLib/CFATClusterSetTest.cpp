// The visited clusters of a folder walk: a bitmap over the volume's clusters, whatever a corrupt chain does.

#include <gtest/gtest.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer runtimes count the heap; gcc ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#define QUELLSY_HEAP_COUNTED 1
#endif

#include <algorithm>

#include "FATLib/CFATClusterSet.h"
#include "FatNodeImages.h"

namespace quellsy::test {
namespace {

TEST(CFATClusterSet, RemembersClustersInsideItsLimitOnly) {
  CFATClusterSet set;
  EXPECT_TRUE(set.Contains(5));  // not sized yet: nothing may be walked
  set.SizeFor(100);
  EXPECT_EQ(set.BitmapBytes(), 13u);  // 100 bits
  EXPECT_FALSE(set.Contains(2));
  EXPECT_TRUE(set.Insert(2));
  EXPECT_FALSE(set.Insert(2));
  EXPECT_TRUE(set.Contains(2));
  EXPECT_TRUE(set.Insert(99));
  EXPECT_FALSE(set.Insert(100));  // past the volume: counts as read
  EXPECT_TRUE(set.Contains(0xFFFFFFFFull));
  set.SizeFor(1000);  // already sized: kept
  EXPECT_EQ(set.BitmapBytes(), 13u);
  EXPECT_TRUE(set.Contains(99));

  FATBuildGeometry geometry;
  geometry.sectorsPerCluster = 8;
  geometry.totalSectors = 8000;
  EXPECT_EQ(CFATClusterSet::ClusterLimit(geometry), 1002u);
  geometry.totalSectors = 1ULL << 40;  // more than FAT32 can number
  EXPECT_EQ(CFATClusterSet::ClusterLimit(geometry), 0x0FFFFFF8u);
  geometry.sectorsPerCluster = 0;
  EXPECT_EQ(CFATClusterSet::ClusterLimit(geometry), 0u);
}

// The root folder's chain runs through every cluster of a FAT32 volume (each cluster full of entries the walk
// passes over), as a corrupt table can make it. The walk reads them all once and ends, and what it keeps to
// stop a loop stays a small bitmap: far below what one heap node per cluster would take.
TEST(CFATClusterSet, FolderChainOverEveryClusterStaysUnderAFixedMemoryBound) {
#ifndef QUELLSY_HEAP_COUNTED
  GTEST_SKIP() << "the heap is counted through the sanitizer allocator; this build has none";
#else
  const FatNodeImages* images = FatNodeImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  FatVolumeUnderTest volume(images->Image("nodes32.img"));
  ASSERT_EQ(volume.geometry.type, FILE_SYSTEM_FAT32);
  const std::uint64_t dataSectors = volume.geometry.totalSectors - volume.geometry.firstDataSector;
  const auto lastCluster = static_cast<std::uint32_t>(dataSectors / volume.geometry.sectorsPerCluster + 1);
  ASSERT_GT(lastCluster, 65525u);  // a real FAT32 volume's worth of clusters
  const std::uint32_t root = volume.geometry.rootCluster;
  auto& bytes = volume.device->bytes();
  std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(volume.ClusterOffset(2)),
            bytes.begin() + static_cast<std::ptrdiff_t>(volume.ClusterOffset(lastCluster + 1)), 0xFF);
  for (std::uint32_t cluster = root; cluster < lastCluster; ++cluster) volume.SetFatEntry(cluster, cluster + 1);
  volume.SetFatEntry(lastCluster, root);  // and round again
  volume.device->ResetCounters();

  constexpr std::size_t kBound = 1024 * 1024;
  const std::size_t before = __sanitizer_get_current_allocated_bytes();
  FatWalk walk;
  CFATBuildChildren children(&walk.builder, nullptr, volume.device.get(), walk.readClusters, walk.folderMap,
                             volume.table, volume.geometry);
  CFATBuildChildren::FolderList folders;
  children.BuildRoot(folders, 1, 1);
  const std::size_t after = __sanitizer_get_current_allocated_bytes();

  EXPECT_EQ(volume.device->SectorsRead(),
            static_cast<long long>(lastCluster - root + 1) * volume.geometry.sectorsPerCluster);
  EXPECT_TRUE(walk.builder.nodes().empty());
  EXPECT_TRUE(folders.empty());
  EXPECT_LT(after - std::min(after, before), kBound);
#endif
}

}  // namespace
}  // namespace quellsy::test
