#pragma once
// A raw-read backend for tests: reads the real file with pread, but fails or stalls the requests
// that start inside chosen byte ranges, and counts what it was asked.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Utility/RawRead.h"

namespace quellsy::test {

class FaultyRawReadBackend : public IRawReadBackend {
 public:
  struct Range {
    long long begin;
    long long end;  // exclusive
  };

  long long ReadAt(int fd, void* buffer, long long length, long long offset) override;

  void FailRequestsStartingIn(Range range);
  // Fails every request that reads any byte of the range, as a bad sector fails every read over it.
  void FailRequestsCovering(Range range);
  // A stalled request blocks until ReleaseStalled(), then scribbles 0xEE over its whole buffer and
  // reports success: a late write that must never reach a caller.
  void StallRequestsStartingIn(Range range);
  void ReleaseStalled();
  // Runs action once, just before the first request that reads any byte at or past offset is served: the device
  // changing under the scan (a file shrunk, a medium pulled) at a point the test chooses.
  void BeforeFirstRequestPast(long long offset, std::function<void()> action);
  // Waits until `count` requests have entered a stall.
  void WaitForStalled(int count);
  // Requests held in a stall now (entered and not yet let go).
  int HeldInStall() const;

  int Requests() const;

 private:
  static bool Contains(const std::vector<Range>& ranges, long long offset);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Range> failures_;
  std::vector<Range> covered_;
  std::vector<Range> stalls_;
  long long actionPast_ = -1;
  std::function<void()> action_;
  bool released_ = false;
  int stalled_ = 0;
  int held_ = 0;
  int requests_ = 0;
};

// Installs a backend and a time-out for one test, and restores pread, 30 s and the steady clock afterwards.
// Meanwhile time-outs run on the raw reads' manual clock: a read never times out because the machine is busy.
// With a FaultyRawReadBackend the time-out passes exactly when a stall needs it: whenever a request newly entered
// its stall and every part still running is held in a stall, the clock moves on by the time-out.
class ScopedRawReadBackend {
 public:
  ScopedRawReadBackend(std::shared_ptr<IRawReadBackend> backend, std::chrono::milliseconds timeout);
  ~ScopedRawReadBackend();
  ScopedRawReadBackend(const ScopedRawReadBackend&) = delete;
  ScopedRawReadBackend& operator=(const ScopedRawReadBackend&) = delete;

 private:
  void ExpireStalls(std::shared_ptr<FaultyRawReadBackend> faulty, std::chrono::milliseconds timeout);

  std::atomic<bool> done_{false};
  std::thread expirer_;
};

}  // namespace quellsy::test
