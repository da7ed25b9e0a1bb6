#include "Utility/MessageCenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Delivery {
  int receiver;
  EVENT_TYPE type;
  std::vector<unsigned char> payload;
  Clock::time_point when;
};

// Receivers append to one shared journal, so the order across receivers is visible.
struct Journal {
  std::mutex mutex;
  std::vector<Delivery> deliveries;

  std::vector<Delivery> Snapshot() {
    std::lock_guard lock(mutex);
    return deliveries;
  }
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
      if (Snapshot().size() >= count) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }
};

class Receiver : public INotifyCenter {
 public:
  Receiver(int id, Journal& journal) : id_(id), journal_(journal) {}
  int Notify(_MSG_EVENT* event) override {
    std::lock_guard lock(journal_.mutex);
    journal_.deliveries.push_back({id_, event->type, event->payload, Clock::now()});
    return 0;
  }

 private:
  int id_;
  Journal& journal_;
};

class MessageCenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    center().ResetForTesting();
    center().SetDispatchInterval(100ms);
  }
  void TearDown() override { center().ResetForTesting(); }
  static CMessageCenter& center() { return CMessageCenter::Instance(); }

  Journal journal_;
};

TEST_F(MessageCenterTest, RegistrationRules) {
  Receiver first(1, journal_), second(1, journal_);
  EXPECT_FALSE(center().RegisterNotifyCenter(1, nullptr));
  EXPECT_TRUE(center().RegisterNotifyCenter(1, &first));
  EXPECT_FALSE(center().RegisterNotifyCenter(1, &second));
  EXPECT_EQ(center().GetNotifyCenter(1), &first);

  center().UpdateNotifyCenter(1, &second);
  EXPECT_EQ(center().GetNotifyCenter(1), &second);
  center().UpdateNotifyCenter(2, nullptr);
  EXPECT_EQ(center().GetNotifyCenter(2), nullptr);
  center().UpdateNotifyCenter(2, &first);
  EXPECT_EQ(center().GetNotifyCenter(2), &first);

  center().UnregisterNotifyCenter(1);
  EXPECT_EQ(center().GetNotifyCenter(1), nullptr);
  center().UnregisterNotifyCenter(42);
}

TEST_F(MessageCenterTest, EventsReachEveryReceiverInIdOrderOnePerInterval) {
  Receiver high(7, journal_), low(3, journal_), nulled(5, journal_);
  center().RegisterNotifyCenter(7, &high);
  center().RegisterNotifyCenter(3, &low);
  center().RegisterNotifyCenter(5, &nulled);
  center().UpdateNotifyCenter(5, nullptr);  // a nulled entry is skipped

  unsigned char payload[3] = {1, 2, 3};
  for (unsigned char i = 0; i < 3; ++i) {
    payload[0] = i;
    center().PushEvent(EVENT_BAD_SECTOR, 3, payload);
  }
  payload[0] = 99;  // the centre kept its own copies
  ASSERT_TRUE(journal_.WaitFor(6, 5s));

  const auto got = journal_.Snapshot();
  ASSERT_EQ(got.size(), 6u);
  for (int event = 0; event < 3; ++event) {
    EXPECT_EQ(got[2 * event].receiver, 3);
    EXPECT_EQ(got[2 * event + 1].receiver, 7);
    EXPECT_EQ(got[2 * event].payload, (std::vector<unsigned char>{static_cast<unsigned char>(event), 2, 3}));
    EXPECT_EQ(got[2 * event].type, EVENT_BAD_SECTOR);
  }
  EXPECT_GE(got[2].when - got[0].when, 90ms);
  EXPECT_GE(got[4].when - got[2].when, 90ms);
}

TEST_F(MessageCenterTest, StoppedCentreDropsEventsAndStopTwiceIsHarmless) {
  Receiver receiver(1, journal_);
  center().RegisterNotifyCenter(1, &receiver);
  center().SetDispatchInterval(10s);
  std::this_thread::sleep_for(50ms);  // the thread has taken its first (empty) turn and sleeps

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  const auto before = Clock::now();
  center().StopReceiveMessage();  // wakes the sleeping thread; queued events are freed unseen
  EXPECT_LT(Clock::now() - before, 2s);
  center().StopReceiveMessage();
  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);

  center().SetDispatchInterval(20ms);
  center().StartReceiveMessage();
  EXPECT_FALSE(journal_.WaitFor(1, 200ms));

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  EXPECT_TRUE(journal_.WaitFor(1, 2s));
  EXPECT_EQ(journal_.Snapshot().size(), 1u);
}

TEST_F(MessageCenterTest, PopAndSendByHand) {
  center().StopReceiveMessage();
  Receiver receiver(1, journal_);
  center().RegisterNotifyCenter(1, &receiver);
  center().StartReceiveMessage();
  center().SetDispatchInterval(10s);
  std::this_thread::sleep_for(50ms);

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  _MSG_EVENT* event = center().PopEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(center().PopEvent(), nullptr);
  center().SendEvent(event);
  center().SendEvent(nullptr);
  EXPECT_EQ(journal_.Snapshot().size(), 1u);
}

}  // namespace
