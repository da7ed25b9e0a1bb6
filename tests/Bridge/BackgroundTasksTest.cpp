// Work on background threads followed by a notification, the main-thread posting path, and joining.

#include "Bridge/BackgroundTasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "Bridge/BridgeServices.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/NotificationCenter.h"
#include "RecordingPoster.h"

namespace quellsy::test {
namespace {

using namespace std::chrono_literals;
using bridge::Notification;
using bridge::NotificationCenter;

TEST(KDUIPublicNotify, WorkRunsInTheBackgroundAndTheNotificationFollowsIt) {
  ScopedRecordingPoster scope;
  std::promise<std::thread::id> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  KDUIPublic::NotifyMainThreadByPostKey("aInitFinished", [&started, released] {
    started.set_value(std::this_thread::get_id());
    released.wait();
  });
  const std::thread::id worker = started.get_future().get();
  EXPECT_NE(worker, std::this_thread::get_id());
  EXPECT_TRUE(scope.poster().Recorded().empty()) << "posted before the work ended";

  release.set_value();
  ASSERT_TRUE(scope.poster().WaitForCount(1));
  const auto recorded = scope.poster().Recorded();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].notification.name, "aInitFinished");
  EXPECT_EQ(recorded[0].thread, worker);
  bridge::BackgroundTasks::Instance().WaitForAll();
  EXPECT_EQ(bridge::BackgroundTasks::Instance().PendingCount(), 0u);
}

TEST(KDUIPublicNotify, ObserversRunOnlyWhenTheGuiThreadDelivers) {
  ScopedRecordingPoster scope;
  std::thread::id observedOn;
  int observed = 0;
  NotificationCenter::Default().AddObserver(&observed, "NormalScranValue", [&](const Notification&) {
    ++observed;
    observedOn = std::this_thread::get_id();
  });
  std::thread poster([] { KDUIPublic::NotifyMainThread("NormalScranValue"); });
  poster.join();
  ASSERT_EQ(scope.poster().Names(), (std::vector<std::string>{"NormalScranValue"}));
  EXPECT_EQ(observed, 0);

  EXPECT_EQ(scope.poster().DeliverAll(), 1u);
  EXPECT_EQ(observed, 1);
  EXPECT_EQ(observedOn, std::this_thread::get_id());
}

TEST(KDUIPublicNotify, WithoutAPosterNothingReachesTheWindows) {
  bridge::ResetBridgeServicesForTesting();
  int observed = 0;
  NotificationCenter::Default().AddObserver(&observed, "", [&](const Notification&) { ++observed; });
  KDUIPublic::NotifyMainThread("NormalScranValue");
  KDUIPublic::NotifyMainThreadByPostKey("aInitFinished", [] {});
  bridge::BackgroundTasks::Instance().WaitForAll();
  EXPECT_EQ(observed, 0);
  NotificationCenter::Default().RemoveObserver(&observed);
}

TEST(BackgroundTasks, WaitForAllJoinsTasksAndTheTasksTheyStart) {
  bridge::BackgroundTasks tasks;
  std::atomic<int> ran{0};
  for (int i = 0; i < 8; ++i)
    tasks.Run([&] {
      ++ran;
      tasks.Run([&] { ++ran; });
    });
  tasks.WaitForAll();
  EXPECT_EQ(ran.load(), 16);
  EXPECT_EQ(tasks.PendingCount(), 0u);
}

}  // namespace
}  // namespace quellsy::test
