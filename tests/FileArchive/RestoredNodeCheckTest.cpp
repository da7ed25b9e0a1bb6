#include "FileArchive/RestoredNodeCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileArchive/RestoreFileNode.h"
#include "include/DataRunList.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"

namespace {

using SaveRestoreResult::RestoredNodeCheck;
using SaveRestoreResult::RestoreFileNode;

constexpr long long kMiB = 1 << 20;

struct Case {
  const char* name;
  std::uint64_t partitionSectors;  // from sector 2048, clusters of 8 sectors from 2056
  long long size;
  std::vector<DataRun> runs;
  bool resident;
  bool folder;
  bool refused;
};

// A 16384-sector device (8 MiB) with one partition record; the worked-out limits: the partition's 4096 sectors
// hold 2 MiB and clusters 0 to 510 (2056 + 511 x 8 = 6144 = 2048 + 4096); a record of 20000 sectors ends with the
// device at cluster 1790 (2056 + 1791 x 8 = 16384), after (16384 - 2048) x 512 bytes = 7 MiB; so does a record of
// 0 sectors, which gives no size.
TEST(RestoredNodeCheckTest, RunsAndSizeMustFitThePartitionAndTheDevice) {
  const std::vector<Case> cases = {
      {"fits", 4096, 40960, {{0, 10}}, false, false, false},
      {"size of the whole partition", 4096, 2 * kMiB, {{0, 10}}, false, false, false},
      {"a byte more than the partition", 4096, 2 * kMiB + 1, {{0, 10}}, false, false, true},
      {"68 TB", 4096, 0x3E0000000000LL, {{0, 10}}, false, false, true},
      {"sparse runs make it larger", 4096, 5 * kMiB, {{0, 10}, {-1, 1000}}, false, false, false},
      {"past even its sparse runs", 4096, 2 * kMiB + 4096 * 1000 + 1, {{0, 10}, {-1, 1000}}, false, false, true},
      {"last cluster of the partition", 4096, 4096, {{510, 1}}, false, false, false},
      {"one cluster past the partition", 4096, 4096, {{511, 1}}, false, false, true},
      {"a cluster far past the device", 4096, 4096, {{1LL << 40, 1}}, false, false, true},
      {"last cluster of the device", 20000, 4096, {{1790, 1}}, false, false, false},
      {"a record longer than the device", 20000, 4096, {{1791, 1}}, false, false, true},
      {"all the device holds of the record", 20000, 7 * kMiB, {{0, 10}}, false, false, false},
      {"a byte more than the device holds", 20000, 7 * kMiB + 1, {{0, 10}}, false, false, true},
      // A record without a size (an exFAT quick scan's) reaches to the device's end, as one longer than it.
      {"last cluster of the device, no size", 0, 4096, {{1790, 1}}, false, false, false},
      {"past the device, no size", 0, 4096, {{1791, 1}}, false, false, true},
      {"all the device holds, no size", 0, 7 * kMiB, {{0, 10}}, false, false, false},
      {"a byte more than the device holds, no size", 0, 7 * kMiB + 1, {{0, 10}}, false, false, true},
      {"negative run length", 4096, 4096, {{0, -1}}, false, false, true},
      {"negative size", 4096, -1, {{0, 1}}, false, false, true},
      {"resident value of 64 KiB", 4096, 65536, {{3000, 1}}, true, false, false},
      {"resident value past one record", 4096, 65537, {{3000, 1}}, true, false, true},
      {"a folder is never copied", 4096, 0x3E0000000000LL, {}, false, true, false},
      {"an empty file reads nothing", 4096, 0, {{1LL << 40, 1}}, false, false, false},
  };
  quellsy::test::MemoryDevice device(16384, 512);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSearchedPartitionInfo partition(512);
    partition.SetPartitionIndex(0);
    partition.SetStartSector(2048);
    partition.SetClusterOrigin(2056);
    partition.SetSectorsPerCluster(8);
    partition.SetTotalSectors(c.partitionSectors);
    std::vector<CSearchedPartitionInfo*> records = {&partition};
    RestoredNodeCheck check(records, &device);
    RestoreFileNode node;
    node.SetBelongedPartition(0);
    node.SetFileSize(c.size);
    node.SetDirectory(c.folder ? 1 : 0);
    if (!c.runs.empty()) {
      auto* list = new CDataRunList();
      list->SetResident(c.resident);
      for (const DataRun& run : c.runs) list->AddDataRun(&run);
      node.SetDataRunList(list);
    }
    EXPECT_EQ(!check.Refusal(node).empty(), c.refused) << check.Refusal(node);
  }
}

TEST(RestoredNodeCheckTest, WithoutADeviceOrARecordNoFileIsCopied) {
  CSearchedPartitionInfo partition(512);
  partition.SetTotalSectors(4096);
  partition.SetSectorsPerCluster(8);
  std::vector<CSearchedPartitionInfo*> records = {&partition};
  std::vector<CSearchedPartitionInfo*> none;
  quellsy::test::MemoryDevice device(16384, 512);
  RestoreFileNode node;
  node.SetFileSize(100);
  auto* list = new CDataRunList();
  const DataRun run{1, 1};
  list->AddDataRun(&run);
  node.SetDataRunList(list);
  RestoredNodeCheck noDevice(records, nullptr);
  EXPECT_FALSE(noDevice.Refusal(node).empty());
  RestoredNodeCheck noRecord(none, &device);
  EXPECT_FALSE(noRecord.Refusal(node).empty());
  RestoredNodeCheck both(records, &device);
  EXPECT_TRUE(both.Refusal(node).empty()) << both.Refusal(node);
}

}  // namespace
