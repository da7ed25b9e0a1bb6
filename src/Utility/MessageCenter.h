#pragma once
// Carries events from the engine to the application without letting the engine wait on it:
// producers push a copy of an event and go on; one dispatch thread hands the queued events, one per
// interval (a second), to every registered receiver in ascending receiver id. The queue is bounded: a
// failing disk's bad-sector events merge while they wait, and past the bound new events are dropped.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

enum EVENT_TYPE : std::int32_t {
  EVENT_BAD_SECTOR = 1,  // a volume read failed; payload: the sectors, as EncodeBadSectorRange writes them
};

struct _MSG_EVENT {
  EVENT_TYPE type;
  std::int32_t length;
  std::vector<unsigned char> payload;
};

// Sectors [first, first + count) of the device that pushed the event.
struct BadSectorRange {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  bool operator==(const BadSectorRange&) const = default;
};

// 16 bytes, little-endian: first, then count.
std::vector<unsigned char> EncodeBadSectorRange(const BadSectorRange& range);
// The range of a bad-sector event, nullopt for another event or a payload of another shape.
std::optional<BadSectorRange> DecodeBadSectorRange(const _MSG_EVENT& event);

// Implemented by the application. Called on the dispatch thread without the centre's lock held: a
// receiver may push events and register or unregister receivers, itself included.
class INotifyCenter {
 public:
  virtual int Notify(_MSG_EVENT* event) = 0;
  virtual ~INotifyCenter() = default;
};

class CMessageCenter {
 public:
  static constexpr std::chrono::milliseconds kDispatchInterval{1000};
  // Events waiting at most; more are dropped (and counted) rather than held.
  static constexpr std::size_t kMaxQueuedEvents = 1024;

  // The process-wide centre; its dispatch thread runs from the first call.
  static CMessageCenter& Instance();

  // Refuses a null receiver and an id already present (the existing entry stays).
  bool RegisterNotifyCenter(int id, INotifyCenter* receiver);
  // Once it returns the receiver is no longer called, so its owner may destroy it; called from inside a
  // receiver it does not wait for the delivery under way.
  void UnregisterNotifyCenter(int id);
  INotifyCenter* GetNotifyCenter(int id);
  // Replaces the receiver of an existing id (a null one is then skipped by dispatch), else registers it.
  void UpdateNotifyCenter(int id, INotifyCenter* receiver);

  // Queues a copy of `length` payload bytes while the dispatch thread runs; dropped otherwise. A bad-sector
  // range that overlaps or touches one still waiting is merged into it.
  void PushEvent(EVENT_TYPE type, int length, const void* payload);
  // The oldest event, now owned by the caller through SendEvent; null when the queue is empty.
  _MSG_EVENT* PopEvent();
  // Hands a popped event to every receiver in ascending id, then frees it. A null event does nothing.
  void SendEvent(_MSG_EVENT* event);

  void StartReceiveMessage();
  // Stops and joins the dispatch thread; events still queued are freed undelivered. Harmless twice.
  void StopReceiveMessage();
  void Clear();

  std::size_t QueuedEvents();
  // Events refused because the queue was full, since the last start.
  std::size_t DroppedEvents();

  // Tests shorten the one-second pacing.
  void SetDispatchInterval(std::chrono::milliseconds interval);
  // Waits until the dispatch thread has finished a turn and sleeps until its next one.
  void WaitUntilDispatcherSleepsForTesting();
  // Back to a fresh centre: stopped and restarted, no receivers, no events, one-second interval.
  void ResetForTesting();

  CMessageCenter(const CMessageCenter&) = delete;
  CMessageCenter& operator=(const CMessageCenter&) = delete;

 private:
  CMessageCenter();
  ~CMessageCenter();

  void DispatchLoop();
  // Merges a bad-sector range into a waiting event it overlaps or touches; false when there is none.
  bool MergeWaiting(const BadSectorRange& range);

  std::mutex lock_;  // receivers, queue, current event, deliveries
  std::condition_variable delivered_;  // a delivery ended
  std::map<int, INotifyCenter*> receivers_;
  std::list<_MSG_EVENT*> queue_;
  _MSG_EVENT* current_ = nullptr;
  int deliveries_ = 0;  // SendEvent calls under way
  std::size_t dropped_ = 0;

  std::mutex controlLock_;  // start and stop
  std::thread dispatcher_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> accepting_{false};
  std::mutex sleepLock_;
  std::condition_variable sleepWake_;
  bool sleeping_ = false;  // guarded by sleepLock_
  std::atomic<std::chrono::milliseconds::rep> intervalMs_{kDispatchInterval.count()};
};
