#pragma once
// A raw-read backend for tests: reads the real file with pread, but fails or stalls the requests
// that start inside chosen byte ranges, and counts what it was asked.

#include <condition_variable>
#include <cstdint>
#include <mutex>
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
  // Waits until `count` requests have entered a stall.
  void WaitForStalled(int count);

  int Requests() const;

 private:
  static bool Contains(const std::vector<Range>& ranges, long long offset);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Range> failures_;
  std::vector<Range> covered_;
  std::vector<Range> stalls_;
  bool released_ = false;
  int stalled_ = 0;
  int requests_ = 0;
};

// Installs a backend (and a short time-out) for one test and restores pread and 30 s afterwards.
class ScopedRawReadBackend {
 public:
  ScopedRawReadBackend(std::shared_ptr<IRawReadBackend> backend, std::chrono::milliseconds timeout);
  ~ScopedRawReadBackend();
  ScopedRawReadBackend(const ScopedRawReadBackend&) = delete;
  ScopedRawReadBackend& operator=(const ScopedRawReadBackend&) = delete;
};

}  // namespace quellsy::test
