// The bridge's notifications reach the windows on the GUI thread, in the order posted, and never a window that
// is gone.

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <thread>

#include "Bridge/BridgeServices.h"
#include "Bridge/NotificationCenter.h"
#include "UI/Kit/GuiThreadPoster.h"
#include "UI/Kit/NotificationObserver.h"

namespace quellsy::ui {
namespace {

using bridge::Notification;
using bridge::NotificationCenter;

class NotificationsTest : public ::testing::Test {
 protected:
  void SetUp() override { bridge::SetMainThreadPoster(&poster_); }
  void TearDown() override {
    bridge::SetMainThreadPoster(nullptr);
    NotificationCenter::Default().RemoveAllObservers();
  }
  GuiThreadPoster poster_;
};

TEST_F(NotificationsTest, PostsFromAWorkerArriveOnTheGuiThreadInOrder) {
  QObject window;
  std::vector<std::string> seen;
  std::vector<bool> onGuiThread;
  ObserveNotification(&window, "", [&](const Notification& notification) {
    seen.push_back(notification.name + (notification.info.count("USBPath") ? ":" + notification.info.at("USBPath") : ""));
    onGuiThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
  });
  std::thread worker([] {
    bridge::PostOnMainThread({"NormalScranValue", {}, {}});
    bridge::PostOnMainThread({"RefreshDetachDevice", {{"USBPath", "/dev/sdb"}}, {}});
    bridge::PostOnMainThread({"DoSearchFinished", {}, {}});
  });
  worker.join();
  EXPECT_TRUE(seen.empty()) << "delivered later, on the GUI thread's turn";
  ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"NormalScranValue", "RefreshDetachDevice:/dev/sdb", "DoSearchFinished"}));
  EXPECT_EQ(onGuiThread, (std::vector<bool>{true, true, true}));
}

TEST_F(NotificationsTest, AnObservationEndsWithItsOwner) {
  int calls = 0;
  auto window = std::make_unique<QObject>();
  ObserveNotification(window.get(), "NormalScranValue", [&](const Notification&) { ++calls; });
  ObserveNotification(window.get(), "DoRecovery", [&](const Notification&) { ++calls; });
  EXPECT_EQ(NotificationCenter::Default().ObserverCount(), 2u);
  StopObserving(window.get(), "DoRecovery");
  EXPECT_EQ(NotificationCenter::Default().ObserverCount(), 1u);
  bridge::PostOnMainThread({"NormalScranValue", {}, {}});
  window.reset();  // gone before the queued delivery runs
  EXPECT_EQ(NotificationCenter::Default().ObserverCount(), 0u);
  // A second observer shows when the delivery has happened.
  QObject witness;
  bool delivered = false;
  ObserveNotification(&witness, "NormalScranValue", [&](const Notification&) { delivered = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return delivered; }));
  EXPECT_EQ(calls, 0);
}

TEST_F(NotificationsTest, DeliveriesStillQueuedWhenThePosterGoesAreDropped) {
  QObject window;
  int calls = 0;
  ObserveNotification(&window, "NormalScranValue", [&](const Notification&) { ++calls; });
  {
    GuiThreadPoster shortLived;
    shortLived.Post({"NormalScranValue", {}, {}});
  }
  poster_.Post({"DoRecovery", {}, {}});
  bool flushed = false;
  ObserveNotification(&window, "DoRecovery", [&](const Notification&) { flushed = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return flushed; }));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace quellsy::ui
