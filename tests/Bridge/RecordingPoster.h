#pragma once
// The main-thread poster of the bridge tests: records what the bridge posts and on which thread, and lets the
// test play the GUI thread by delivering the recorded notifications to the default notification centre.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "Bridge/IMainThreadPoster.h"

namespace quellsy::test {

class RecordingPoster : public bridge::IMainThreadPoster {
 public:
  struct Posted {
    bridge::Notification notification;
    std::thread::id thread;
  };

  void Post(bridge::Notification notification) override;

  std::vector<Posted> Recorded() const;
  std::vector<std::string> Names() const;
  // Waits until at least count notifications were posted; false when limit passed first.
  bool WaitForCount(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
  // Posts every recorded, not yet delivered notification on the default centre, on the calling thread.
  std::size_t DeliverAll();

 private:
  mutable std::mutex m_lock;
  mutable std::condition_variable m_posted;
  std::vector<Posted> m_recorded;
  std::size_t m_delivered = 0;
};

// Installs a recording poster and fresh bridge services for one test; restores the defaults afterwards.
class ScopedRecordingPoster {
 public:
  ScopedRecordingPoster();
  ~ScopedRecordingPoster();
  ScopedRecordingPoster(const ScopedRecordingPoster&) = delete;
  ScopedRecordingPoster& operator=(const ScopedRecordingPoster&) = delete;

  RecordingPoster& poster() { return m_poster; }

 private:
  RecordingPoster m_poster;
};

}  // namespace quellsy::test
