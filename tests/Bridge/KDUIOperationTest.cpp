// The operation base: status protocol, pause holding the worker inside Continued, stop and the tree flag,
// and the progress record shared between the worker and the readers.

#include "Bridge/KDUIOperation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace quellsy::test {
namespace {

using namespace std::chrono_literals;

// Generous bounds for waits on conditions; a correct run never comes near them.
constexpr auto kBound = 30s;

class TestOperation : public KDUIOperation {
 public:
  TestOperation() = default;
  explicit TestOperation(std::chrono::milliseconds pauseStep) : KDUIOperation(pauseStep) {}

  void UpdateProgress(_PROGRESS_INFO* info) override {
    std::lock_guard guard(Lock());
    SetProgressInfo(*info);
    SetNeedUIUpdate(1);
  }
  void SetTimes(std::int64_t start, std::int64_t last) {
    SetStartTime(start);
    SetLastUpdateTime(last);
  }
  using KDUIOperation::Lock;
};

std::future<int> ContinuedOnWorker(KDUIOperation& op) {
  return std::async(std::launch::async, [&op] { return op.Continued(); });
}

TEST(KDUIOperation, StartsIdleBuildingTreesAndWithoutUpdate) {
  TestOperation op;
  EXPECT_EQ(op.GetStatus(), 0);
  EXPECT_EQ(op.shouldBuild(), 1);
  EXPECT_EQ(op.IsNeedUIUpdate(), 0);
  EXPECT_EQ(op.IsOpTreeFinished(), 1);
  EXPECT_EQ(op.GetScanElapseTime(), 0);
  EXPECT_TRUE(op.IsOperationExit());
  // A worker started on an idle operation is told to stop at its first question.
  EXPECT_EQ(op.Continued(), 0);
}

struct StatusCase {
  int status;
  int continued;     // answer of Continued
  bool exited;       // IsOperationExit
  int afterToggle;   // status after PauseOrResumeOperation
};

class KDUIOperationStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(KDUIOperationStatus, ContinuedExitAndPauseToggle) {
  const StatusCase& c = GetParam();
  TestOperation op;
  op.SetStatus(c.status);
  if (c.status != OPERATION_STATUS_PAUSE) {
    EXPECT_EQ(op.Continued(), c.continued);
  }
  EXPECT_EQ(op.IsOperationExit(), c.exited);
  op.PauseOrResumeOperation();
  EXPECT_EQ(op.GetStatus(), c.afterToggle);
}

INSTANTIATE_TEST_SUITE_P(EveryStatus, KDUIOperationStatus,
                         ::testing::Values(StatusCase{0, 0, true, 0},   // idle: nothing to pause
                                           StatusCase{1, 0, false, 1},  // stop requested: still winding down
                                           StatusCase{2, 1, false, 3},  // running: pauses
                                           StatusCase{3, 1, false, 2},  // paused: resumes
                                           StatusCase{4, 0, true, 4}),  // exited: as idle
                         [](const auto& p) { return "Status" + std::to_string(p.param.status); });

struct StopCase {
  int status;
  int noTree;
  int statusAfter;
  int buildAfter;
};

class KDUIOperationStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(KDUIOperationStop, StatusTreeFlagAndUpdate) {
  const StopCase& c = GetParam();
  TestOperation op;
  op.SetStatus(c.status);
  op.StopOperation(c.noTree);
  EXPECT_EQ(op.GetStatus(), c.statusAfter);
  EXPECT_EQ(op.shouldBuild(), c.buildAfter);
  EXPECT_EQ(op.IsNeedUIUpdate(), 1);  // the windows look again in every case
}

INSTANTIATE_TEST_SUITE_P(Cases, KDUIOperationStop,
                         ::testing::Values(StopCase{0, 0, 0, 1},   // idle stays idle
                                           StopCase{0, 1, 0, 1},   // ... and keeps its tree flag
                                           StopCase{2, 0, 1, 1},   // stop and build
                                           StopCase{2, 1, 1, 0},   // stop without trees
                                           StopCase{3, 1, 1, 0},   // from pause
                                           StopCase{4, 0, 1, 1}),  // any non-zero status is asked to stop
                         [](const auto& p) {
                           return "Status" + std::to_string(p.param.status) + "NoTree" +
                                  std::to_string(p.param.noTree);
                         });

TEST(KDUIOperation, StopWithTreesAfterStopWithoutRestoresBuilding) {
  TestOperation op;
  op.SetStatus(OPERATION_STATUS_RUNNING);
  op.StopOperation(1);
  ASSERT_EQ(op.shouldBuild(), 0);
  op.StopOperation(0);
  EXPECT_EQ(op.shouldBuild(), 1);
  EXPECT_EQ(op.GetStatus(), OPERATION_STATUS_STOP);
  EXPECT_FALSE(op.IsOperationExit());
}

TEST(KDUIOperation, PauseHoldsTheWorkerUntilResumed) {
  TestOperation op;
  op.SetStatus(OPERATION_STATUS_RUNNING);
  op.PauseOrResumeOperation();
  std::future<int> worker = ContinuedOnWorker(op);
  ASSERT_TRUE(op.WaitForHeldWorkers(1, kBound));
  EXPECT_EQ(worker.wait_for(0s), std::future_status::timeout);

  op.PauseOrResumeOperation();
  ASSERT_EQ(worker.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(worker.get(), 1);
  EXPECT_EQ(op.HeldWorkers(), 0);
}

// With a pause step far longer than any bound, only the wake-up on the status change can free the workers:
// a stop reaches every paused worker at once, not at its next look.
TEST(KDUIOperation, StopFromPauseFreesEveryWorkerAtOnce) {
  TestOperation op(std::chrono::hours(1));
  op.SetStatus(OPERATION_STATUS_PAUSE);
  std::vector<std::future<int>> workers;
  for (int i = 0; i < 3; ++i) workers.push_back(ContinuedOnWorker(op));
  ASSERT_TRUE(op.WaitForHeldWorkers(3, kBound));

  op.StopOperation(1);
  for (auto& worker : workers) {
    ASSERT_EQ(worker.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(worker.get(), 0);
  }
  EXPECT_EQ(op.shouldBuild(), 0);
}

// A subclass may hold the operation's lock over a longer update and still change the status.
TEST(KDUIOperation, StatusChangesUnderTheHeldLockWakeThePausedWorker) {
  TestOperation op(std::chrono::hours(1));
  op.SetStatus(OPERATION_STATUS_PAUSE);
  std::future<int> worker = ContinuedOnWorker(op);
  ASSERT_TRUE(op.WaitForHeldWorkers(1, kBound));
  {
    std::lock_guard guard(op.Lock());
    op.PauseOrResumeOperation();
    EXPECT_EQ(op.GetStatus(), OPERATION_STATUS_RUNNING);
  }
  ASSERT_EQ(worker.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(worker.get(), 1);
}

// A scan's progress ends the operation while holding the lock over its update; a thread waiting for the end
// meanwhile must neither need that lock nor keep the status from changing.
TEST(KDUIOperation, AWaitForTheEndGoesOnWhileASubclassHoldsTheLockAndEndsIt) {
  TestOperation op;
  op.SetStatus(OPERATION_STATUS_RUNNING);
  std::unique_lock held(op.Lock());
  std::future<int> reader = std::async(std::launch::async, [&op] { return op.GetStatus(); });
  const bool answered = reader.wait_for(kBound) == std::future_status::ready;
  if (!answered) held.unlock();
  ASSERT_TRUE(answered);
  EXPECT_EQ(reader.get(), OPERATION_STATUS_RUNNING);
  std::future<bool> waiter = std::async(std::launch::async, [&op] { return op.WaitForExit(kBound); });
  op.SetStatus(OPERATION_STATUS_IDLE);
  held.unlock();
  ASSERT_EQ(waiter.wait_for(kBound), std::future_status::ready);
  EXPECT_TRUE(waiter.get());
}

TEST(KDUIOperation, ReadersSeeWholeProgressRecordsWhileTheWorkerReports) {
  TestOperation op;
  op.SetStatus(OPERATION_STATUS_RUNNING);
  IProgress* sink = &op;
  constexpr std::uint64_t kReports = 2000;
  std::thread worker([sink] {
    for (std::uint64_t i = 1; i <= kReports; ++i) {
      _PROGRESS_INFO info{};
      info.status = PROGRESS_STATUS_RUNNING;
      info.current = i;
      info.total = 2 * i;
      const std::string text = std::to_string(i);
      std::memcpy(info.text, text.c_str(), text.size() + 1);
      sink->UpdateProgress(&info);
    }
  });
  std::uint64_t last = 0;
  while (last < kReports) {
    const _PROGRESS_INFO seen = op.GetProgressInfo();
    ASSERT_EQ(seen.total, 2 * seen.current);
    if (seen.current != 0) {
      ASSERT_EQ(std::string(seen.text), std::to_string(seen.current));
    }
    ASSERT_GE(seen.current, last);
    last = seen.current;
  }
  worker.join();
  EXPECT_EQ(op.IsNeedUIUpdate(), 1);
}

TEST(KDUIOperation, ElapsedTimeIsLastUpdateMinusStart) {
  TestOperation op;
  op.SetTimes(1'000'000, 1'000'075);
  EXPECT_EQ(op.GetScanElapseTime(), 75);
}

}  // namespace
}  // namespace quellsy::test
