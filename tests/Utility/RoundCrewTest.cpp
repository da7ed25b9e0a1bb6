#include "Utility/RoundCrew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
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

// Weighted members go heaviest first to the lane with the least work so far; a lane runs its own in ascending order.
// Worked out by hand: {1, 5, 1, 1, 1, 1} on two lanes puts member 1 alone on the caller's lane and the five light
// ones on the other (its load 5 only ties the first lane's once all five are there); {3, 3, 2, 2} on two lanes
// gives {0, 2} and {1, 3}; equal weights deal in turn.
TEST(RoundCrew, WeightedMembersAreDealtHeaviestFirstToTheLightestLane) {
  struct Case {
    std::vector<unsigned> weights;
    unsigned lanes;
    std::vector<std::vector<std::size_t>> expected;  // per lane, the first being the caller's
  };
  const Case cases[] = {{{1, 5, 1, 1, 1, 1}, 2, {{1}, {0, 2, 3, 4, 5}}},
                        {{3, 3, 2, 2}, 2, {{0, 2}, {1, 3}}},
                        {{1, 1, 1, 1, 1}, 2, {{0, 2, 4}, {1, 3}}},
                        {{1, 7, 2}, 8, {{1}, {2}, {0}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.weights.size());
    std::mutex lock;
    std::map<std::thread::id, std::vector<std::size_t>> ran;  // per thread, its members in the order they ran
    RoundCrew crew(c.weights, c.lanes, [&](std::size_t member) {
      std::lock_guard guard(lock);
      ran[std::this_thread::get_id()].push_back(member);
    });
    crew.Run();
    ASSERT_EQ(crew.Lanes(), c.expected.size());
    ASSERT_EQ(ran.size(), c.expected.size());
    EXPECT_EQ(ran[std::this_thread::get_id()], c.expected[0]);
    std::set<std::vector<std::size_t>> helpers;
    for (const auto& [thread, members] : ran)
      if (thread != std::this_thread::get_id()) helpers.insert(members);
    EXPECT_EQ(helpers, std::set<std::vector<std::size_t>>(c.expected.begin() + 1, c.expected.end()));
  }
}

}  // namespace
}  // namespace quellsy
