// Runs of live and deleted FAT files: over a scripted table for the rules, and over a real fragmented file.

#include <gtest/gtest.h>

#include <map>

#include "FATLib/CFATBuildDataRun.h"
#include "FATLib/IFATTable.h"
#include "FatNodeImages.h"
#include "include/IDataRunList.h"
#include "support/Sha256.h"

namespace quellsy::test {
namespace {

// Entries not listed read as 0 (free).
class ScriptedTable : public IFATTable {
 public:
  explicit ScriptedTable(std::map<std::uint32_t, std::uint32_t> next) : m_next(std::move(next)) {}
  std::uint32_t GetNextCluster(std::uint32_t cluster) override {
    const auto found = m_next.find(cluster);
    return found == m_next.end() ? 0 : found->second;
  }

 private:
  std::map<std::uint32_t, std::uint32_t> m_next;
};

constexpr std::uint32_t kEnd = 0x0FFFFFFF;

std::vector<DataRun> RunsOf(IDataRunList* list) {
  std::vector<DataRun> runs;
  if (list == nullptr) return runs;
  for (DataRun* run = list->GetFirst(); run != nullptr; run = list->GetNext()) runs.push_back(*run);
  list->Release();
  return runs;
}

struct RunCase {
  const char* label;
  std::map<std::uint32_t, std::uint32_t> fat;
  std::uint64_t first;
  std::uint64_t size;  // bytes; clusters are 512 bytes
  bool deleted;
  std::uint64_t bound;  // total sectors
  bool isNull;
  std::vector<std::pair<long long, long long>> runs;
};

TEST(CFATBuildDataRunTest, RunsFollowTheRules) {
  const RunCase cases[] = {
      {"live contiguous chain is one run", {{10, 11}, {11, 12}, {12, kEnd}}, 10, 1536, false, 1000, false, {{8, 3}}},
      {"live fragmented chain", {{10, 11}, {11, 20}, {20, 21}, {21, kEnd}}, 10, 2048, false, 1000, false,
       {{8, 2}, {18, 2}}},
      {"live chain ending early covers the size", {{10, 11}, {11, 0}}, 10, 5 * 512, false, 1000, false, {{8, 5}}},
      {"live chain longer than the size stops at the size", {{10, 30}, {30, 50}, {50, kEnd}}, 10, 512, false, 1000,
       false, {{8, 1}}},
      {"live run past the bound", {{10, 11}, {11, kEnd}}, 10, 10 * 512, false, 16, true, {}},
      {"live looping chain", {{10, 20}, {20, 10}}, 10, 0xFFFFFFFF, false, 64, true, {}},
      {"live first cluster below 2", {}, 1, 512, false, 1000, true, {}},
      {"deleted with a zero FAT is contiguous", {}, 10, 3 * 512, true, 1000, false, {{8, 3}}},
      {"deleted follows what the FAT holds, then the next clusters", {{10, 40}, {40, 0}}, 10, 3 * 512, true, 1000,
       false, {{8, 1}, {38, 2}}},
      {"deleted stops at the bound", {}, 10, 100 * 512, true, 12, false, {{8, 4}}},
      {"deleted below cluster 2", {}, 0, 512, true, 1000, true, {}},
      {"deleted over a looping chain is bounded", {{10, 11}, {11, 10}}, 10, 0xFFFFFFFF, true, 20, false,
       {{8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}, {8, 2}}},
      {"empty file has no runs", {}, 10, 0, false, 1000, true, {}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedTable table(c.fat);
    CFATBuildDataRun builder(&table, 512, 1, c.bound);
    IDataRunList* list = builder.BuildDataRunList(c.first, c.size, c.deleted);
    EXPECT_EQ(list == nullptr, c.isNull);
    std::vector<std::pair<long long, long long>> runs;
    for (const DataRun& run : RunsOf(list)) runs.emplace_back(run.lcn, run.length);
    EXPECT_EQ(runs, c.runs);
  }
}

TEST(CFATBuildDataRunTest, LiveRunsAreMarkedInTheBitmap) {
  ScriptedTable table({{4, 5}, {5, 9}, {9, kEnd}});
  std::vector<bool> bitmap(8, false);
  CFATBuildDataRun builder(&table, 512, 1, 1000, &bitmap);
  RunsOf(builder.BuildDataRunList(4, 1536, false));
  EXPECT_EQ(bitmap, (std::vector<bool>{false, false, true, true, false, false, false, true}));
}

TEST(CFATBuildDataRunTest, FragmentedFileRunsEqualItsChain) {
  const auto* images = FatNodeImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  FatVolumeUnderTest volume(images->Image("nodes16.img"));
  const NodeManifestEntry file = images->Entry("nodes16.img", "/frag/fragmented.bin");
  ASSERT_GT(file.clusters.size(), 4u);
  CFATBuildDataRun builder(volume.table, 512, volume.geometry.sectorsPerCluster, volume.geometry.totalSectors);
  const std::vector<DataRun> runs = RunsOf(builder.BuildDataRunList(file.FirstCluster(), file.size, false));
  std::vector<std::uint32_t> clusters;
  for (const DataRun& run : runs)
    for (long long i = 0; i < run.length; ++i) clusters.push_back(static_cast<std::uint32_t>(run.lcn + 2 + i));
  EXPECT_EQ(clusters, file.clusters);
  EXPECT_GT(runs.size(), 1u);
  EXPECT_EQ(Sha256Hex(ReadThroughRuns(volume, runs, file.size)), file.sha256);
}

}  // namespace
}  // namespace quellsy::test
