// The message-centre receivers: fan-out to observers with the payload copy, and the scan's observer that
// turns a bad sector into "BadSectorNotify" for the windows, through the real message centre.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Bridge/CMyNotifyCenter.h"
#include "Bridge/CProgressNotify.h"
#include "Bridge/NotificationCenter.h"
#include "RecordingPoster.h"
#include "Utility/MessageCenter.h"

namespace quellsy::test {
namespace {

using namespace std::chrono_literals;

class RecordingObserver : public INotifyObserver {
 public:
  struct Call {
    int kind;
    const void* payload;
    std::vector<unsigned char> bytes;
  };
  explicit RecordingObserver(std::vector<std::string>* order = nullptr, std::string tag = "")
      : m_order(order), m_tag(std::move(tag)) {}
  void Notify(int kind, void* payload) override {
    calls.push_back({kind, payload, {}});
    if (m_order) m_order->push_back(m_tag);
  }
  std::vector<Call> calls;

 private:
  std::vector<std::string>* m_order;
  std::string m_tag;
};

_MSG_EVENT Event(int type, std::vector<unsigned char> bytes, int length) {
  return _MSG_EVENT{static_cast<EVENT_TYPE>(type), length, std::move(bytes)};
}

TEST(CMyNotifyCenter, FansEachEventOutInOrderWithAPayloadCopy) {
  CMyNotifyCenter receiver;
  EXPECT_EQ(receiver.GetType(), 0);
  receiver.SetType(1);
  EXPECT_EQ(receiver.GetType(), 1);

  std::vector<std::string> order;
  RecordingObserver first(&order, "first"), second(&order, "second");
  receiver.AddObserver(&first);
  receiver.AddObserver(&second);

  std::vector<unsigned char> seen;
  struct CopyingObserver : INotifyObserver {
    std::vector<unsigned char>* out;
    void Notify(int, void* payload) override {
      const auto* bytes = static_cast<const unsigned char*>(payload);
      if (bytes) out->assign(bytes, bytes + 3);
    }
  } copier;
  copier.out = &seen;
  receiver.AddObserver(&copier);

  _MSG_EVENT event = Event(7, {0xAA, 0xBB, 0xCC}, 3);
  EXPECT_EQ(receiver.Notify(&event), 1);
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
  ASSERT_EQ(first.calls.size(), 1u);
  EXPECT_EQ(first.calls[0].kind, 7);
  EXPECT_NE(first.calls[0].payload, nullptr);
  EXPECT_NE(first.calls[0].payload, event.payload.data());  // the receiver's own copy
  EXPECT_EQ(seen, (std::vector<unsigned char>{0xAA, 0xBB, 0xCC}));

  // An event without bytes: the previous copy is gone and none replaces it.
  _MSG_EVENT empty = Event(EVENT_BAD_SECTOR, {}, 0);
  EXPECT_EQ(receiver.Notify(&empty), 1);
  ASSERT_EQ(second.calls.size(), 2u);
  EXPECT_EQ(second.calls[1].kind, EVENT_BAD_SECTOR);
  EXPECT_EQ(second.calls[1].payload, nullptr);

  EXPECT_EQ(receiver.Notify(nullptr), 0);
  EXPECT_EQ(first.calls.size(), 2u);
}

TEST(CMyNotifyCenter, LengthsBeyondTheBytesAreNotTrusted) {
  CMyNotifyCenter receiver;
  struct SizeObserver : INotifyObserver {
    bool gotPayload = false;
    void Notify(int, void* payload) override { gotPayload = payload != nullptr; }
  } observer;
  receiver.AddObserver(&observer);
  _MSG_EVENT negative = Event(1, {1, 2}, -5);
  receiver.Notify(&negative);
  EXPECT_FALSE(observer.gotPayload);
  _MSG_EVENT tooLong = Event(1, {1, 2}, 4096);  // copies the two bytes there are, no more
  receiver.Notify(&tooLong);
  EXPECT_TRUE(observer.gotPayload);
}

TEST(CMyNotifyCenter, RemovesTheFirstEqualEntryOnly) {
  CMyNotifyCenter receiver;
  RecordingObserver twice, absent;
  receiver.AddObserver(&twice);
  receiver.AddObserver(&twice);
  receiver.RemoveObserver(&absent);
  EXPECT_EQ(receiver.ObserverCount(), 2);
  receiver.RemoveObserver(&twice);
  EXPECT_EQ(receiver.ObserverCount(), 1);
  receiver.NotifyObserver(3);
  EXPECT_EQ(twice.calls.size(), 1u);
}

// Registered behind id 1: once it has seen an event, receiver 1 has seen it too (ascending ids).
class Latch : public INotifyCenter {
 public:
  int Notify(_MSG_EVENT*) override {
    std::lock_guard guard(m_lock);
    ++m_seen;
    m_cv.notify_all();
    return 1;
  }
  bool WaitFor(int count) {
    std::unique_lock lock(m_lock);
    return m_cv.wait_for(lock, 30s, [&] { return m_seen >= count; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_cv;
  int m_seen = 0;
};

class ProgressNotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    centre().ResetForTesting();
    centre().SetDispatchInterval(1ms);
    ASSERT_TRUE(centre().RegisterNotifyCenter(2, &latch));
  }
  void TearDown() override { centre().ResetForTesting(); }
  static CMessageCenter& centre() { return CMessageCenter::Instance(); }

  ScopedRecordingPoster scope;
  Latch latch;
};

TEST_F(ProgressNotifyTest, BadSectorsReachTheWindowsOnTheirOwnThread) {
  std::thread::id observedOn;
  int observed = 0;
  bridge::NotificationCenter::Default().AddObserver(&observed, "BadSectorNotify", [&](const bridge::Notification&) {
    ++observed;
    observedOn = std::this_thread::get_id();
  });
  {
    CProgressNotify notify;
    auto* receiver = dynamic_cast<CMyNotifyCenter*>(centre().GetNotifyCenter(1));
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(receiver->GetType(), 1);

    centre().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
    centre().PushEvent(static_cast<EVENT_TYPE>(2), 0, nullptr);
    centre().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
    ASSERT_TRUE(latch.WaitFor(3));
    EXPECT_EQ(scope.poster().Names(), (std::vector<std::string>{"BadSectorNotify", "BadSectorNotify"}));
    for (const auto& posted : scope.poster().Recorded()) EXPECT_NE(posted.thread, std::this_thread::get_id());
    EXPECT_EQ(observed, 0) << "window code ran on the message centre's thread";

    EXPECT_EQ(scope.poster().DeliverAll(), 2u);
    EXPECT_EQ(observed, 2);
    EXPECT_EQ(observedOn, std::this_thread::get_id());
  }
  // Gone with the scan: receiver 1 is unregistered and later events post nothing.
  EXPECT_EQ(centre().GetNotifyCenter(1), nullptr);
  centre().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  ASSERT_TRUE(latch.WaitFor(4));
  EXPECT_EQ(scope.poster().Recorded().size(), 2u);
  bridge::NotificationCenter::Default().RemoveObserver(&observed);
}

TEST_F(ProgressNotifyTest, ReceiverStaysWhileAnotherScanObserverLives) {
  auto first = std::make_unique<CProgressNotify>();
  CProgressNotify second;
  first.reset();
  ASSERT_NE(centre().GetNotifyCenter(1), nullptr);
  centre().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  ASSERT_TRUE(latch.WaitFor(1));
  EXPECT_EQ(scope.poster().Names(), (std::vector<std::string>{"BadSectorNotify"}));
}

TEST_F(ProgressNotifyTest, OnlyKindOneIsABadSector) {
  CProgressNotify notify;
  for (int kind : {0, 2, 3, -1}) notify.Notify(kind, nullptr);
  EXPECT_TRUE(scope.poster().Recorded().empty());
  notify.Notify(1, nullptr);
  EXPECT_EQ(scope.poster().Names(), (std::vector<std::string>{"BadSectorNotify"}));
}

}  // namespace
}  // namespace quellsy::test
