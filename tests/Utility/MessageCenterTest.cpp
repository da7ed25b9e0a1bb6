#include "Utility/MessageCenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A dispatch interval that keeps the dispatcher asleep however slow the machine is, until a new interval wakes it.
constexpr auto kAsleep = 24h;

struct Delivery {
  int receiver;
  EVENT_TYPE type;
  std::vector<unsigned char> payload;
  Clock::time_point when;
};

// Receivers append to one shared journal, so the order across receivers is visible.
struct Journal {
  std::mutex mutex;
  std::condition_variable grew;
  std::vector<Delivery> deliveries;

  void Add(Delivery delivery) {
    {
      std::lock_guard lock(mutex);
      deliveries.push_back(std::move(delivery));
    }
    grew.notify_all();
  }
  std::vector<Delivery> Snapshot() {
    std::lock_guard lock(mutex);
    return deliveries;
  }
  // The limit only bounds a failing test; a passing one returns as soon as the deliveries are there.
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit = 60s) {
    std::unique_lock lock(mutex);
    return grew.wait_for(lock, limit, [&] { return deliveries.size() >= count; });
  }
};

class Receiver : public INotifyCenter {
 public:
  Receiver(int id, Journal& journal) : id_(id), journal_(journal) {}
  int Notify(_MSG_EVENT* event) override {
    journal_.Add({id_, event->type, event->payload, Clock::now()});
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
  ASSERT_TRUE(journal_.WaitFor(6));

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
  center().SetDispatchInterval(kAsleep);
  center().WaitUntilDispatcherSleepsForTesting();

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  const auto before = Clock::now();
  center().StopReceiveMessage();  // wakes the sleeping thread; queued events are freed unseen
  EXPECT_LT(Clock::now() - before, kAsleep);
  center().StopReceiveMessage();
  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);

  center().SetDispatchInterval(20ms);
  center().StartReceiveMessage();

  // Delivery keeps push order: when this event has arrived, a survivor of the stop would have come first.
  const unsigned char fresh = 42;
  center().PushEvent(EVENT_BAD_SECTOR, 1, &fresh);
  ASSERT_TRUE(journal_.WaitFor(1));
  const auto got = journal_.Snapshot();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].payload, std::vector<unsigned char>{fresh});
}

TEST_F(MessageCenterTest, PopAndSendByHand) {
  center().StopReceiveMessage();
  Receiver receiver(1, journal_);
  center().RegisterNotifyCenter(1, &receiver);
  center().StartReceiveMessage();
  center().SetDispatchInterval(kAsleep);
  center().WaitUntilDispatcherSleepsForTesting();

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  _MSG_EVENT* event = center().PopEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(center().PopEvent(), nullptr);
  center().SendEvent(event);
  center().SendEvent(nullptr);
  EXPECT_EQ(journal_.Snapshot().size(), 1u);
}

// Pushes an event of its own and unregisters itself from inside its handler: the centre calls it with
// its lock free, so neither blocks.
class SelfRemovingReceiver : public INotifyCenter {
 public:
  static constexpr auto kEcho = static_cast<EVENT_TYPE>(0x7E50);
  SelfRemovingReceiver(int id, Journal& journal) : id_(id), journal_(journal) {}
  int Notify(_MSG_EVENT* event) override {
    journal_.Add({id_, event->type, event->payload, Clock::now()});
    CMessageCenter::Instance().PushEvent(kEcho, 0, nullptr);
    CMessageCenter::Instance().UnregisterNotifyCenter(id_);
    return 0;
  }

 private:
  int id_;
  Journal& journal_;
};

TEST_F(MessageCenterTest, ReceiverMayPushAndUnregisterItselfInsideItsHandler) {
  center().SetDispatchInterval(1ms);
  SelfRemovingReceiver leaving(2, journal_);
  Receiver staying(3, journal_);
  ASSERT_TRUE(center().RegisterNotifyCenter(2, &leaving));
  ASSERT_TRUE(center().RegisterNotifyCenter(3, &staying));

  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);
  // The first event to both, then the echo to the one that stayed.
  ASSERT_TRUE(journal_.WaitFor(3));
  const auto got = journal_.Snapshot();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].receiver, 2);
  EXPECT_EQ(got[1].receiver, 3);
  EXPECT_EQ(got[2].receiver, 3);
  EXPECT_EQ(got[2].type, SelfRemovingReceiver::kEcho);
  EXPECT_EQ(center().GetNotifyCenter(2), nullptr);
}

std::vector<unsigned char> Range(std::uint64_t first, std::uint64_t count) { return EncodeBadSectorRange({first, count}); }

void PushRange(std::uint64_t first, std::uint64_t count) {
  const auto payload = Range(first, count);
  CMessageCenter::Instance().PushEvent(EVENT_BAD_SECTOR, static_cast<int>(payload.size()), payload.data());
}

TEST_F(MessageCenterTest, WaitingBadSectorRangesThatTouchMerge) {
  Receiver receiver(1, journal_);
  center().RegisterNotifyCenter(1, &receiver);
  center().SetDispatchInterval(kAsleep);
  center().WaitUntilDispatcherSleepsForTesting();

  // A failing run read one sector at a time, backwards and forwards, with one overlap.
  for (std::uint64_t sector = 5000; sector < 10000; ++sector) PushRange(sector, 1);
  for (std::uint64_t sector = 4999; sector >= 1000; --sector) PushRange(sector, 1);
  PushRange(9990, 20);
  PushRange(20000, 5);  // apart: an event of its own
  center().PushEvent(EVENT_BAD_SECTOR, 0, nullptr);  // no range: never merged
  EXPECT_EQ(center().QueuedEvents(), 3u);

  center().SetDispatchInterval(1ms);
  ASSERT_TRUE(journal_.WaitFor(3));
  const auto got = journal_.Snapshot();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].payload, Range(1000, 9010));
  EXPECT_EQ(got[1].payload, Range(20000, 5));
  EXPECT_TRUE(got[2].payload.empty());
  EXPECT_EQ(center().DroppedEvents(), 0u);
}

TEST_F(MessageCenterTest, QueueStaysBoundedOnScatteredBadSectors) {
  center().SetDispatchInterval(kAsleep);
  center().WaitUntilDispatcherSleepsForTesting();
  // Every other sector: nothing touches, so nothing merges.
  constexpr std::size_t kPushed = 3 * CMessageCenter::kMaxQueuedEvents;
  for (std::uint64_t i = 0; i < kPushed; ++i) PushRange(2 * i, 1);
  EXPECT_EQ(center().QueuedEvents(), CMessageCenter::kMaxQueuedEvents);
  EXPECT_EQ(center().QueuedEvents() + center().DroppedEvents(), kPushed);
}

TEST(BadSectorRangePayload, RoundTripsAndRejectsOtherShapes) {
  const BadSectorRange range{0x0102030405060708ULL, 77};
  _MSG_EVENT event{EVENT_BAD_SECTOR, 16, EncodeBadSectorRange(range)};
  EXPECT_EQ(event.payload[0], 0x08);  // little-endian
  EXPECT_EQ(DecodeBadSectorRange(event), range);
  event.payload.pop_back();
  EXPECT_FALSE(DecodeBadSectorRange(event));
  EXPECT_FALSE(DecodeBadSectorRange(_MSG_EVENT{static_cast<EVENT_TYPE>(9), 16, EncodeBadSectorRange(range)}));
}

}  // namespace
