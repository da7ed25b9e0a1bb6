#include "Utility/RoundCrew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quellsy {
namespace {

struct CrewCase {
  std::size_t members;
  unsigned lanes;
  std::size_t expectedLanes;
};

class RoundCrewTest : public testing::TestWithParam<CrewCase> {};

// Every member runs once a round, no member starts a round before every member ended the one before, and the
// members run on as many threads as there are lanes.
TEST_P(RoundCrewTest, EveryMemberRunsOnceARoundAndRoundsDoNotOverlap) {
  const CrewCase c = GetParam();
  constexpr int kRounds = 200;
  std::atomic<int> finished{0};
  std::vector<std::vector<int>> seen(c.members);  // per member: the finished count when it started
  std::vector<std::set<std::thread::id>> threads(c.members);
  RoundCrew crew(c.members, c.lanes, [&](std::size_t member) {
    seen[member].push_back(finished.load());
    threads[member].insert(std::this_thread::get_id());
    finished.fetch_add(1);
  });
  EXPECT_EQ(crew.Lanes(), c.expectedLanes);
  for (int round = 0; round < kRounds; ++round) {
    crew.Run();
    ASSERT_EQ(finished.load(), static_cast<int>(c.members) * (round + 1));
  }
  std::set<std::thread::id> all;
  for (std::size_t member = 0; member < c.members; ++member) {
    ASSERT_EQ(seen[member].size(), static_cast<std::size_t>(kRounds));
    for (int round = 0; round < kRounds; ++round) {
      // Started after the whole previous round, before the whole of this one was over.
      EXPECT_GE(seen[member][round], static_cast<int>(c.members) * round);
      EXPECT_LT(seen[member][round], static_cast<int>(c.members) * (round + 1));
    }
    EXPECT_EQ(threads[member].size(), 1u) << "a member keeps its lane's thread";
    all.insert(threads[member].begin(), threads[member].end());
  }
  EXPECT_EQ(all.size(), c.expectedLanes);
  EXPECT_EQ(all.count(std::this_thread::get_id()), 1u) << "the first lane is the caller's";
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundCrewTest,
                         testing::Values(CrewCase{1, 1, 1}, CrewCase{3, 1, 1}, CrewCase{3, 0, 1}, CrewCase{2, 2, 2},
                                         CrewCase{4, 8, 4}, CrewCase{5, 2, 2}));

TEST(RoundCrew, AThrowingMemberFailsTheRoundAfterTheOthersFinished) {
  std::atomic<int> ran{0};
  bool throwNow = true;
  RoundCrew crew(3, 3, [&](std::size_t member) {
    ran.fetch_add(1);
    if (member == 1 && throwNow) throw std::runtime_error("member 1");
  });
  EXPECT_THROW(crew.Run(), std::runtime_error);
  EXPECT_EQ(ran.load(), 3);
  throwNow = false;
  EXPECT_NO_THROW(crew.Run());
  EXPECT_EQ(ran.load(), 6);
}

}  // namespace
}  // namespace quellsy
