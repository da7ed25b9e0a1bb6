#pragma once
// Carries events from the engine to the application without letting the engine wait on it:
// producers push a copy of an event and go on; one dispatch thread hands the queued events, one per
// interval (a second), to every registered receiver in ascending receiver id.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

enum EVENT_TYPE : std::int32_t {
  EVENT_BAD_SECTOR = 1,  // a volume read failed; no payload
};

struct _MSG_EVENT {
  EVENT_TYPE type;
  std::int32_t length;
  std::vector<unsigned char> payload;
};

// Implemented by the application. Called on the dispatch thread while the centre's lock is held:
// a receiver must not call back into the centre.
class INotifyCenter {
 public:
  virtual int Notify(_MSG_EVENT* event) = 0;
  virtual ~INotifyCenter() = default;
};

class CMessageCenter {
 public:
  static constexpr std::chrono::milliseconds kDispatchInterval{1000};

  // The process-wide centre; its dispatch thread runs from the first call.
  static CMessageCenter& Instance();

  // Refuses a null receiver and an id already present (the existing entry stays).
  bool RegisterNotifyCenter(int id, INotifyCenter* receiver);
  void UnregisterNotifyCenter(int id);
  INotifyCenter* GetNotifyCenter(int id);
  // Replaces the receiver of an existing id (a null one is then skipped by dispatch), else registers it.
  void UpdateNotifyCenter(int id, INotifyCenter* receiver);

  // Queues a copy of `length` payload bytes while the dispatch thread runs; dropped otherwise.
  void PushEvent(EVENT_TYPE type, int length, const void* payload);
  // The oldest event, now owned by the caller through SendEvent; null when the queue is empty.
  _MSG_EVENT* PopEvent();
  // Hands a popped event to every receiver in ascending id, then frees it. A null event does nothing.
  void SendEvent(_MSG_EVENT* event);

  void StartReceiveMessage();
  // Stops and joins the dispatch thread; events still queued are freed undelivered. Harmless twice.
  void StopReceiveMessage();
  void Clear();

  // Tests shorten the one-second pacing.
  void SetDispatchInterval(std::chrono::milliseconds interval);
  // Back to a fresh centre: stopped and restarted, no receivers, no events, one-second interval.
  void ResetForTesting();

  CMessageCenter(const CMessageCenter&) = delete;
  CMessageCenter& operator=(const CMessageCenter&) = delete;

 private:
  CMessageCenter();
  ~CMessageCenter();

  void DispatchLoop();

  std::mutex lock_;  // receivers, queue, current event
  std::map<int, INotifyCenter*> receivers_;
  std::list<_MSG_EVENT*> queue_;
  _MSG_EVENT* current_ = nullptr;

  std::mutex controlLock_;  // start and stop
  std::thread dispatcher_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> accepting_{false};
  std::mutex sleepLock_;
  std::condition_variable sleepWake_;
  std::atomic<std::chrono::milliseconds::rep> intervalMs_{kDispatchInterval.count()};
};
