// The directory-sector records: ascending order whatever order they come in, one record a sector, inclusive
// ranges, and the bound.

#include "FATSearch/CFATFolderSectorSet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<long long> Sectors(std::span<const FIRSTFOLDERSECTOR> records) {
  std::vector<long long> sectors;
  for (const FIRSTFOLDERSECTOR& record : records) sectors.push_back(record.sector);
  return sectors;
}

TEST(FATFolderSectorSetTest, KeepsOneRecordPerSectorInAscendingOrder) {
  CFATFolderSectorSet set(5);
  EXPECT_TRUE(set.Add({100, 7, 0}));
  EXPECT_TRUE(set.Add({300, FIRSTFOLDERSECTOR::kNoCluster, FIRSTFOLDERSECTOR::kNoCluster}));
  EXPECT_TRUE(set.Add({200, 9, 7}));  // a block handed in again, out of order
  EXPECT_FALSE(set.Add({200, 11, 0}));
  EXPECT_FALSE(set.Add({300, 12, 0}));
  EXPECT_EQ(Sectors(set.Range(0, 1000)), (std::vector<long long>{100, 200, 300}));
  EXPECT_EQ(set.Range(200, 200).front().currentCluster, 9u);
  EXPECT_EQ(Sectors(set.Range(101, 300)), (std::vector<long long>{200, 300}));
  EXPECT_TRUE(set.Range(301, 1000).empty());
  EXPECT_TRUE(set.Range(300, 100).empty());
  EXPECT_FALSE(set.Range(300, 300).front().IsFolderFirstSector());

  EXPECT_TRUE(set.Add({400, 1, 0}));
  EXPECT_TRUE(set.Add({50, 1, 0}));
  EXPECT_TRUE(set.IsFull());
  EXPECT_FALSE(set.Add({500, 1, 0}));
  EXPECT_EQ(set.Size(), 5u);
}

}  // namespace
