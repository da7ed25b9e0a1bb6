#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "include/DataRunList.h"

namespace {

struct ListDeleter {
  void operator()(IDataRunList* list) const { list->Release(); }
};
using ListPtr = std::unique_ptr<IDataRunList, ListDeleter>;

std::vector<std::pair<long long, long long>> Walk(IDataRunList& list) {
  std::vector<std::pair<long long, long long>> runs;
  for (DataRun* run = list.GetFirst(); run != nullptr; run = list.GetNext()) runs.emplace_back(run->lcn, run->length);
  return runs;
}

struct MergeCase {
  const char* name;
  std::vector<DataRun> added;
  std::vector<std::pair<long long, long long>> expected;
};

class DataRunMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(DataRunMerge, AdjacentNonSparseRunsMerge) {
  ListPtr list(CreateDataRunList());
  ASSERT_NE(list, nullptr);
  for (const DataRun& run : GetParam().added) list->AddDataRun(&run);
  EXPECT_EQ(Walk(*list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataRunMerge,
    testing::Values(MergeCase{"Adjacent", {{10, 5}, {15, 3}}, {{10, 8}}},
                    MergeCase{"Gap", {{10, 5}, {16, 3}}, {{10, 5}, {16, 3}}},
                    MergeCase{"SparseThenRun", {{-1, 4}, {3, 2}}, {{-1, 4}, {3, 2}}},
                    MergeCase{"SparseEndingAtNextStart", {{-5, 5}, {0, 2}}, {{-5, 5}, {0, 2}}},
                    MergeCase{"RunThenSparse", {{10, 5}, {-1, 2}, {-1, 2}}, {{10, 5}, {-1, 2}, {-1, 2}}},
                    MergeCase{"ChainOfThree", {{0, 1}, {1, 1}, {2, 1}, {10, 1}}, {{0, 3}, {10, 1}}},
                    MergeCase{"Backwards", {{15, 3}, {10, 5}}, {{15, 3}, {10, 5}}}),
    [](const testing::TestParamInfo<MergeCase>& p) { return p.param.name; });

TEST(DataRunList, WalkStateOfEmptyAndFilledLists) {
  CDataRunList list;
  EXPECT_EQ(list.IsDone(), 1);
  EXPECT_EQ(list.GetFirst(), nullptr);
  EXPECT_EQ(list.GetNext(), nullptr);
  list.AddDataRun(nullptr);
  const DataRun a{100, 1};
  const DataRun b{200, 2};
  list.AddDataRun(&a);
  EXPECT_EQ(list.IsDone(), 1) << "adding does not move the cursor";
  DataRun* first = list.GetFirst();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(list.IsDone(), 0);
  list.AddDataRun(&b);  // appending during a walk keeps the run under the cursor valid
  EXPECT_EQ(first->lcn, 100);
  DataRun* second = list.GetNext();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->lcn, 200);
  EXPECT_EQ(list.GetNext(), nullptr);
  EXPECT_EQ(list.IsDone(), 1);
  EXPECT_EQ(list.GetNext(), nullptr);
  EXPECT_EQ(list.GetOffset(), 0);
  EXPECT_EQ(list.GetDataRunListType(), 5);
}

TEST(DataRunList, RunsHandedOutStayValidWhileManyMoreAreAppended) {
  CDataRunList list;
  for (long long i = 0; i < 3; ++i) {
    const DataRun run{i * 10, 1};
    list.AddDataRun(&run);
  }
  DataRun* first = list.GetFirst();
  DataRun* second = list.GetNext();
  for (long long i = 3; i < 5000; ++i) {
    const DataRun run{i * 10, 1};
    list.AddDataRun(&run);
  }
  EXPECT_EQ(first->lcn, 0);
  EXPECT_EQ(second->lcn, 10);
  EXPECT_EQ(list.GetRunCount(), 5000u);
  EXPECT_EQ(Walk(list).back(), std::make_pair(49990LL, 1LL));
}

TEST(DataRunList, CloneCopiesRunsButNotResidentFlag) {
  CDataRunList list;
  list.SetResident(true);
  const DataRun runs[] = {{7, 2}, {-1, 3}, {20, 1}};
  for (const DataRun& run : runs) list.AddDataRun(&run);
  ListPtr copy(list.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Walk(*copy), Walk(list));
  EXPECT_EQ(copy->IsResident(), 0);
  EXPECT_EQ(list.IsResident(), 1);
  EXPECT_NE(copy->GetFirst(), list.GetFirst()) << "a clone owns its own runs";
}

}  // namespace
