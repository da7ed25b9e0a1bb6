#include "support/FaultyRawReadBackend.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quellsy::test {

bool FaultyRawReadBackend::Contains(const std::vector<Range>& ranges, long long offset) {
  for (const auto& range : ranges)
    if (offset >= range.begin && offset < range.end) return true;
  return false;
}

long long FaultyRawReadBackend::ReadAt(int fd, void* buffer, long long length, long long offset) {
  {
    std::unique_lock lock(mutex_);
    ++requests_;
    if (action_ && offset + length > actionPast_) std::exchange(action_, nullptr)();
    // As a bad sector fails a system read.
    if (Contains(failures_, offset)) {
      errno = EIO;
      return -1;
    }
    for (const auto& range : covered_)
      if (offset < range.end && offset + length > range.begin) {
        errno = EIO;
        return -1;
      }
    if (Contains(stalls_, offset)) {
      ++stalled_;
      ++held_;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
      --held_;
      std::memset(buffer, 0xEE, static_cast<size_t>(length));
      return length;
    }
  }
  long long done = 0;
  while (done < length) {
    const ssize_t got = pread(fd, static_cast<char*>(buffer) + done, static_cast<size_t>(length - done), offset + done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

void FaultyRawReadBackend::BeforeFirstRequestPast(long long offset, std::function<void()> action) {
  std::lock_guard lock(mutex_);
  actionPast_ = offset;
  action_ = std::move(action);
}

void FaultyRawReadBackend::FailRequestsStartingIn(Range range) {
  std::lock_guard lock(mutex_);
  failures_.push_back(range);
}

void FaultyRawReadBackend::FailRequestsCovering(Range range) {
  std::lock_guard lock(mutex_);
  covered_.push_back(range);
}

void FaultyRawReadBackend::StallRequestsStartingIn(Range range) {
  std::lock_guard lock(mutex_);
  stalls_.push_back(range);
}

void FaultyRawReadBackend::ReleaseStalled() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

void FaultyRawReadBackend::WaitForStalled(int count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this, count] { return stalled_ >= count; });
}

int FaultyRawReadBackend::HeldInStall() const {
  std::lock_guard lock(mutex_);
  return held_;
}

int FaultyRawReadBackend::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

ScopedRawReadBackend::ScopedRawReadBackend(std::shared_ptr<IRawReadBackend> backend,
                                           std::chrono::milliseconds timeout) {
  UseManualRawReadClockForTesting();
  if (auto faulty = std::dynamic_pointer_cast<FaultyRawReadBackend>(backend))
    expirer_ = std::thread([this, faulty, timeout] { ExpireStalls(faulty, timeout); });
  SetRawReadBackend(std::move(backend));
  SetRawReadTimeout(timeout);
}

ScopedRawReadBackend::~ScopedRawReadBackend() {
  done_ = true;
  if (expirer_.joinable()) expirer_.join();
  ResetRawReadForTesting();
}

// Raw reads take one caller at a time, so while a newly stalled request is running its caller waits for it and
// posts nothing else; a held request is always among the running parts. So when as many parts run as are held,
// every running part is held, and moving the clock times out exactly those. Polls, since the workers finishing
// their parts tell nobody here.
void ScopedRawReadBackend::ExpireStalls(std::shared_ptr<FaultyRawReadBackend> faulty,
                                        std::chrono::milliseconds timeout) {
  int expired = 0;  // stalls held when the clock last moved
  while (!done_) {
    const int held = faulty->HeldInStall();
    if (held < expired) expired = held;  // released ones came back
    if (held > expired && RawReadPartsRunning() == static_cast<std::size_t>(held)) {
      AdvanceRawReadClockForTesting(timeout);
      expired = held;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace quellsy::test
