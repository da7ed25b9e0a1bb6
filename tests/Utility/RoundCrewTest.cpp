#include "Utility/RoundCrew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <numeric>
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
  RoundCrew crew(c.members, c.lanes, [&](std::size_t member, unsigned long long) {
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
  EXPECT_EQ(all.count(std::this_thread::get_id()), 0u) << "every lane has a thread of its own";
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundCrewTest,
                         testing::Values(CrewCase{1, 1, 1}, CrewCase{3, 1, 1}, CrewCase{3, 0, 1}, CrewCase{2, 2, 2},
                                         CrewCase{4, 8, 4}, CrewCase{5, 2, 2}));

TEST(RoundCrew, AThrowingMemberFailsTheRoundAfterTheOthersFinished) {
  std::atomic<int> ran{0};
  bool throwNow = true;
  RoundCrew crew(3, 3, [&](std::size_t member, unsigned long long) {
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
// Worked out by hand: {1, 5, 1, 1, 1, 1} on two lanes puts member 1 alone on the first lane and the five light
// ones on the other (its load 5 only ties the first lane's once all five are there); {3, 3, 2, 2} on two lanes
// gives {0, 2} and {1, 3}; equal weights deal in turn.
TEST(RoundCrew, WeightedMembersAreDealtHeaviestFirstToTheLightestLane) {
  struct Case {
    std::vector<unsigned> weights;
    unsigned lanes;
    std::vector<std::vector<std::size_t>> expected;  // per lane
  };
  const Case cases[] = {{{1, 5, 1, 1, 1, 1}, 2, {{1}, {0, 2, 3, 4, 5}}},
                        {{3, 3, 2, 2}, 2, {{0, 2}, {1, 3}}},
                        {{1, 1, 1, 1, 1}, 2, {{0, 2, 4}, {1, 3}}},
                        {{1, 7, 2}, 8, {{1}, {2}, {0}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.weights.size());
    std::mutex lock;
    std::map<std::thread::id, std::vector<std::size_t>> ran;  // per thread, its members in the order they ran
    RoundCrew crew(c.weights, c.lanes, [&](std::size_t member, unsigned long long) {
      std::lock_guard guard(lock);
      ran[std::this_thread::get_id()].push_back(member);
    });
    crew.Run();
    ASSERT_EQ(crew.Lanes(), c.expected.size());
    ASSERT_EQ(ran.size(), c.expected.size());
    std::set<std::vector<std::size_t>> lanes;
    for (const auto& [thread, members] : ran) lanes.insert(members);
    EXPECT_EQ(lanes, std::set<std::vector<std::size_t>>(c.expected.begin(), c.expected.end()));
  }
}

// A lane runs ahead of a held-up one by up to `depth` rounds, and no further: the caller gets the next round only
// once every lane is done with the round `depth` before it, so a round's slot is never refilled under a lane.
TEST(RoundCrew, LanesRunAheadByUpToDepthRoundsAndEachSeesItsRoundsSlotIntact) {
  constexpr std::size_t kDepth = 3;
  constexpr unsigned long long kRounds = 40;
  std::vector<unsigned long long> slots(kDepth);
  std::mutex lock;
  std::condition_variable changed;
  bool release = false;
  unsigned long long fastDone = 0;
  std::vector<std::vector<unsigned long long>> seen(2);  // per member, the slot's value in each of its rounds
  RoundCrew crew(2, 2, [&](std::size_t member, unsigned long long round) {
    const unsigned long long value = slots[round % kDepth];
    std::unique_lock guard(lock);
    seen[member].push_back(value);
    if (member == 0 && round == 0) changed.wait(guard, [&] { return release; });
    if (member == 1) ++fastDone;
    changed.notify_all();
  }, kDepth);
  ASSERT_EQ(crew.Depth(), kDepth);
  // Member 0 is held in round 0; member 1 finishes rounds 0 .. depth - 1 meanwhile.
  for (unsigned long long round = 0; round < kDepth; ++round) {
    ASSERT_EQ(crew.NextRound(), round);
    slots[round % kDepth] = round;
    crew.Start();
  }
  {
    std::unique_lock guard(lock);
    changed.wait(guard, [&] { return fastDone == kDepth; });
    EXPECT_EQ(crew.Finished(), 0u);
    release = true;
  }
  changed.notify_all();
  for (unsigned long long round = kDepth; round < kRounds; ++round) {
    ASSERT_EQ(crew.NextRound(), round);
    EXPECT_GT(crew.Finished() + kDepth, round);
    slots[round % kDepth] = round;
    crew.Start();
  }
  crew.Wait();
  EXPECT_EQ(crew.Finished(), kRounds);
  std::vector<unsigned long long> expected(kRounds);
  std::iota(expected.begin(), expected.end(), 0ULL);
  EXPECT_EQ(seen[0], expected);
  EXPECT_EQ(seen[1], expected);
}

// Rounds started before or after a failure still run and are waited for; the failure is reported once, by Wait
// or, when the lanes may not run ahead, by the next NextRound.
TEST(RoundCrew, AFailureIsReportedOnceTheStartedRoundsAreOver) {
  std::atomic<int> ran{0};
  std::mutex lock;
  std::condition_variable opened;
  bool open = false;
  // Round 0 of member 0 fails only once three rounds were started, so no NextRound can see the failure.
  RoundCrew crew(2, 2, [&](std::size_t member, unsigned long long round) {
    ran.fetch_add(1);
    if (member != 0 || round != 0) return;
    std::unique_lock guard(lock);
    opened.wait(guard, [&] { return open; });
    throw std::runtime_error("round 0");
  }, 4);
  for (int round = 0; round < 3; ++round) {
    crew.NextRound();
    crew.Start();
  }
  {
    std::lock_guard guard(lock);
    open = true;
  }
  opened.notify_all();
  EXPECT_THROW(crew.Wait(), std::runtime_error);
  EXPECT_EQ(ran.load(), 6);
  EXPECT_NO_THROW(crew.Run());
  EXPECT_EQ(ran.load(), 8);

  RoundCrew oneApart(1, 1, [&](std::size_t, unsigned long long round) {
    if (round == 0) throw std::runtime_error("round 0");
  });
  EXPECT_EQ(oneApart.NextRound(), 0u);
  oneApart.Start();
  EXPECT_THROW(oneApart.NextRound(), std::runtime_error);
  EXPECT_EQ(oneApart.NextRound(), 1u);
}

}  // namespace
}  // namespace quellsy
