#include "Utility/RawRead.h"

#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "Utility/CatchExeception.h"
#include "Utility/Cores.h"
#include "Utility/MutexLocker.h"

namespace quellsy {
namespace {

class PreadBackend final : public IRawReadBackend {
 public:
  long long ReadAt(int fd, void* buffer, long long length, long long offset) override {
    auto* out = static_cast<unsigned char*>(buffer);
    long long done = 0;
    while (done < length) {
      const ssize_t got = pread(fd, out + done, static_cast<size_t>(length - done), offset + done);
      if (got < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  // RWF_NOWAIT fails at once with EAGAIN where the read would wait for the device; a file system or device
  // that cannot say fails with EOPNOTSUPP, and the workers read it.
  bool ReadHeld(int fd, void* buffer, long long length, long long offset) override {
    auto* out = static_cast<unsigned char*>(buffer);
    long long done = 0;
    while (done < length) {
      iovec piece{out + done, static_cast<size_t>(length - done)};
      const ssize_t got = preadv2(fd, &piece, 1, offset + done, RWF_NOWAIT);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += got;
    }
    return true;
  }
};

// One thread that runs one request at a time, into a buffer of its own or into storage a caller lent. A
// request that times out is abandoned with its worker: the late result lands in that worker's buffer or in
// the lent storage, which the worker then owns (with the other stalled parts' workers), never in what the
// caller goes on using; the worker becomes idle again once the system read returns.
// Both sides block on the condition variable at once rather than poll: on a loaded machine a polling thread
// takes the processor from the very thread it waits for, and callers that read often read in large pieces.

// Parts start at multiples of this from the piece's start.
constexpr long long kPartAlignment = 4096;

// What WorkerPool::Read gives when too many reads are stalled to take the request.
constexpr long long kNoWorker = -2;

thread_local bool lastReadRefused = false;
thread_local int lastReadError = 0;
// Parts at once for this thread's reads, 0 for the process's setting (see ScopedRawReadPartsAtOnce).
thread_local long long threadPartsAtOnce = 0;

// The file behind a descriptor, for the log.
std::string PathOf(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "fd " + std::to_string(fd);
}

// Where one request's bytes go: memory the caller keeps, filled by copying from a worker's own buffer, or
// storage the caller owns, filled in place.
struct Destination {
  unsigned char* memory = nullptr;
  RawReadBuffer* owned = nullptr;

  unsigned char* Base() const { return owned ? owned->data() : memory; }
};

struct Worker {
  std::condition_variable wake;
  bool busy = false;              // holds a request (running, or finished and not yet collected)
  bool finished = false;
  bool abandoned = false;
  int fd = -1;
  long long offset = 0;
  long long length = 0;
  long long result = 0;
  int error = 0;  // the system's error of a failed read
  std::shared_ptr<IRawReadBackend> backend;
  unsigned char* target = nullptr;  // lent storage to read into; null: the worker's own buffer
  std::shared_ptr<unsigned char[]> handedOver;  // lent storage left behind by a caller that timed out
  std::unique_ptr<unsigned char[]> buffer;
  long long capacity = 0;
};

class WorkerPool {
 public:
  // Runs the piece of `length` bytes `position` bytes into the destination as adjacent parts, each on a worker of
  // its own, all at once; returns the bytes placed there from the piece's start up to the first part cut short by
  // the end of the file (0 or less: the piece failed, which it does when any part failed).
  long long Read(Destination destination, long long position, int fd, long long offset, long long length,
                 long long partsAtOnce, const std::shared_ptr<IRawReadBackend>& backend,
                 std::chrono::milliseconds timeout, int& error) {
    error = 0;
    std::unique_lock lock(mutex_);
    if (abandoned_ > kMaxAbandonedRawReads) {
      if (!refusalLogged_) {
        refusalLogged_ = true;
        CatchExeception::WriteLog("raw reads refused: %zu stalled reads still running; %s at offset %lld not read\r\n",
                                  abandoned_, PathOf(fd).c_str(), offset);
      }
      return kNoWorker;
    }
    const long long parts = std::clamp(length / kRawReadPartBytes, 1LL, partsAtOnce);
    // Parts start on page boundaries of the piece; the last one takes what is left.
    const long long partLength = ((length + parts - 1) / parts + kPartAlignment - 1) / kPartAlignment * kPartAlignment;
    // Fixed room, not a heap allocation: most requests are a few sectors a searcher reads.
    PartList posted;
    for (long long from = 0; from < length; from += partLength) {
      Worker* worker = IdleWorker();
      const Part part{worker, position + from, std::min(partLength, length - from)};
      worker->busy = true;
      worker->finished = false;
      worker->fd = fd;
      worker->offset = offset + from;
      worker->length = part.length;
      worker->backend = backend;
      worker->target = destination.owned ? destination.owned->data() + part.position : nullptr;
      worker->wake.notify_all();
      posted.parts[posted.count++] = part;
    }

    const Deadline deadline{std::chrono::steady_clock::now() + timeout, manualNow_ + timeout};
    PartList stalled;
    for (const Part& part : posted) {
      Worker* worker = part.worker;
      if (WaitFinished(lock, *worker, deadline)) continue;
      worker->abandoned = true;
      ++abandoned_;
      stalled.parts[stalled.count++] = part;
    }
    if (stalled.count != 0 && destination.owned) HandOver(stalled, *destination.owned);

    long long placed = 0;
    bool failed = stalled.count != 0;
    if (failed) error = ETIMEDOUT;
    bool cutShort = false;
    for (const Part& part : posted) {
      Worker* worker = part.worker;
      if (worker->abandoned) continue;
      const long long got = worker->result;
      if (got < 0 && error == 0) error = worker->error;
      // Nothing at all where the piece starts: it lies past the end of the file.
      if (got == 0 && placed == 0 && error == 0) error = ENXIO;
      if (got < 0 || (got == 0 && placed == 0)) failed = true;
      if (got > 0 && !worker->target)
        std::memcpy(destination.memory + part.position, worker->buffer.get(), static_cast<size_t>(got));
      if (!cutShort) placed += std::max(got, 0LL);
      cutShort = cutShort || got < part.length;
      worker->busy = false;
      worker->backend.reset();
    }
    return failed ? -1 : placed;
  }

  std::size_t Abandoned() {
    std::lock_guard lock(mutex_);
    return abandoned_;
  }

  bool WaitForAbandoned(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return returned_.wait_for(lock, limit, [this] { return abandoned_ == 0; });
  }

  std::size_t Running() {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(workers_.begin(), workers_.end(),
                                                  [](const auto& worker) { return worker->busy && !worker->finished; }));
  }

  void UseManualClock(bool manual) {
    std::lock_guard lock(mutex_);
    manualClock_ = manual;
  }

  void AdvanceManualClock(std::chrono::milliseconds by) {
    std::lock_guard lock(mutex_);
    manualNow_ += by;
    for (auto& worker : workers_) worker->wake.notify_all();
  }

 private:
  // When the wait for a piece ends: on the steady clock, or on the manual one while a test drives time.
  struct Deadline {
    std::chrono::steady_clock::time_point steady;
    std::chrono::milliseconds manual;
  };
  struct Part {
    Worker* worker = nullptr;
    long long position = 0;  // from the destination's start
    long long length = 0;
  };
  struct PartList {
    std::array<Part, kRawReadPartsAtOnce> parts;
    std::size_t count = 0;
    const Part* begin() const { return parts.data(); }
    const Part* end() const { return parts.data() + count; }
  };

  // A request starts only while at most kMaxAbandonedRawReads workers are stalled, so there are never more than
  // that plus kRawReadPartsAtOnce workers.
  Worker* IdleWorker() {
    for (auto& worker : workers_)
      if (!worker->busy) return worker.get();
    auto worker = std::make_unique<Worker>();
    Worker* raw = worker.get();
    workers_.push_back(std::move(worker));
    std::thread([this, raw] { Serve(*raw); }).detach();
    return raw;
  }

  // The stalled reads keep writing into the lent storage, so their workers share it; the owner gets a copy of
  // everything outside the stalled parts. Called with the pool locked after every other part finished, so nothing
  // else writes the storage and no worker can free it while it is being copied.
  static void HandOver(const PartList& stalled, RawReadBuffer& owned) {
    const std::size_t capacity = owned.capacity();
    const std::size_t lead = owned.before();
    const std::size_t tail = owned.after();
    const std::shared_ptr<unsigned char[]> old(owned.Release());
    owned = RawReadBuffer(capacity, lead, tail);
    std::size_t copied = 0;  // from the start of the storage, look-back included
    for (const Part& part : stalled) {
      part.worker->handedOver = old;
      const auto from = lead + static_cast<std::size_t>(part.position);
      std::memcpy(owned.data() - lead + copied, old.get() + copied, from - copied);
      copied = from + static_cast<std::size_t>(part.length);
    }
    std::memcpy(owned.data() - lead + copied, old.get() + copied, lead + capacity - copied);
  }

  // Waits with the pool locked until the worker finished (true) or the deadline passed (false).
  bool WaitFinished(std::unique_lock<std::mutex>& lock, Worker& worker, const Deadline& deadline) {
    if (!manualClock_) return worker.wake.wait_until(lock, deadline.steady, [&worker] { return worker.finished; });
    worker.wake.wait(lock, [&] { return worker.finished || manualNow_ >= deadline.manual; });
    return worker.finished;
  }

  void Serve(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
      worker.wake.wait(lock, [&worker] { return worker.busy && !worker.finished; });
      const long long length = worker.length;
      if (!worker.target && worker.capacity < length) {
        worker.buffer.reset(new (std::nothrow) unsigned char[static_cast<size_t>(length)]);
        worker.capacity = worker.buffer ? length : 0;
      }
      unsigned char* buffer = worker.target ? worker.target : worker.buffer.get();
      auto backend = worker.backend;
      const int fd = worker.fd;
      const long long offset = worker.offset;

      lock.unlock();
      errno = 0;
      const long long got = buffer ? backend->ReadAt(fd, buffer, length, offset) : -1;
      // Taken at once, on the thread that made the call: a backend that gives no reason failed like a bad sector.
      const int error = got >= 0 ? 0 : !buffer ? ENOMEM : errno != 0 ? errno : EIO;
      lock.lock();

      worker.result = got > length ? length : got;
      worker.error = error;
      worker.finished = true;
      if (worker.abandoned) {
        worker.abandoned = false;
        worker.busy = false;
        worker.backend.reset();
        worker.target = nullptr;
        worker.handedOver.reset();
        --abandoned_;
        refusalLogged_ = false;
        returned_.notify_all();
      }
      worker.wake.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable returned_;  // an abandoned request came back
  std::vector<std::unique_ptr<Worker>> workers_;
  std::size_t abandoned_ = 0;
  bool refusalLogged_ = false;
  bool manualClock_ = false;
  std::chrono::milliseconds manualNow_{0};
};

// Workers are detached and may outlive main() inside a stalled read, so the pool is never destroyed.
WorkerPool& Pool() {
  static auto* pool = new WorkerPool;
  return *pool;
}

mutex_locker& ReadLock() {
  static mutex_locker lock;
  return lock;
}

std::mutex settingsMutex;
std::shared_ptr<IRawReadBackend> currentBackend;
std::chrono::milliseconds currentTimeout = kRawReadTimeout;

// Half the cores the process may run on (taskset may give it fewer than the machine has): the searchers of a
// complete scan want the rest while a block is read.
long long DefaultPartsAtOnce() {
  return std::clamp(static_cast<long long>(UsableCores() / 2), 1LL, kRawReadPartsAtOnce);
}
long long currentPartsAtOnce = DefaultPartsAtOnce();

std::shared_ptr<IRawReadBackend> Backend() {
  std::lock_guard lock(settingsMutex);
  if (!currentBackend) currentBackend = std::make_shared<PreadBackend>();
  return currentBackend;
}

std::chrono::milliseconds Timeout() {
  std::lock_guard lock(settingsMutex);
  return currentTimeout;
}

long long PartsAtOnce() {
  if (threadPartsAtOnce > 0) return threadPartsAtOnce;
  std::lock_guard lock(settingsMutex);
  return currentPartsAtOnce;
}

// Reads `length` bytes at `offset` of fd into the destination from `at` bytes into it.
// A request refused for its arguments, before any read.
long long RefuseArguments() {
  lastReadRefused = false;
  lastReadError = EINVAL;
  return 0;
}

long long ReadPieces(Destination destination, long long at, int fd, long long offset, long long length) {
  if (fd < 0 || offset < 0 || length <= 0) return RefuseArguments();
  lastReadRefused = false;
  lastReadError = 0;

  autolocker<mutex_locker> guard(ReadLock());
  const auto backend = Backend();
  const auto timeout = Timeout();
  const long long partsAtOnce = PartsAtOnce();
  bool allRead = true;

  for (long long position = at; position < at + length; position += kRawReadPieceBytes) {
    const long long pieceLength = std::min(kRawReadPieceBytes, at + length - position);
    // A piece of one part that the page cache holds costs less to copy than to hand to a worker and back.
    if ((pieceLength < 2 * kRawReadPartBytes || partsAtOnce == 1) &&
        backend->ReadHeld(fd, destination.Base() + position, pieceLength, offset + position - at))
      continue;
    int error = 0;
    const long long got = Pool().Read(destination, position, fd, offset + position - at, pieceLength, partsAtOnce,
                                      backend, timeout, error);
    // Read again: a time-out gives lent storage away and the destination fresh storage.
    unsigned char* piece = destination.Base() + position;
    if (got == kNoWorker) {
      lastReadRefused = true;
      error = EBUSY;
    }
    if (got <= 0 && lastReadError == 0) lastReadError = error != 0 ? error : EIO;
    if (got <= 0) {
      allRead = false;
      std::memset(piece, 0, static_cast<size_t>(pieceLength));
    } else if (got < pieceLength) {
      std::memset(piece + got, 0, static_cast<size_t>(pieceLength - got));
    }
  }
  return allRead ? length : 0;
}

}  // namespace

void RawStorageRelease::operator()(unsigned char* storage) const noexcept {
  // The mapping starts on the page the storage starts in.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  if (mapped != 0)
    munmap(reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(storage) / page * page), mapped);
  else
    delete[] storage;
}

RawStorage AllocateRawStorage(std::size_t before, std::size_t capacity, std::size_t after) {
  constexpr std::size_t kHugePage = 2 * 1024 * 1024;
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  std::size_t bytes = 0;
  if (__builtin_add_overflow(before, capacity, &bytes) || __builtin_add_overflow(bytes, after, &bytes))
    throw std::bad_alloc();
  if (capacity < kHugePage || bytes > SIZE_MAX / 2) return RawStorage(new unsigned char[bytes]);
  // Room to slide the data onto a huge-page boundary; what lies before and after the storage is given back.
  const std::size_t reserved = (bytes + kHugePage + page - 1) / page * page;
  void* mapped = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto base = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t data = (base + before + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t start = (data - before) / page * page;
  const std::uintptr_t end = (data - before + bytes + page - 1) / page * page;
  if (start > base) munmap(mapped, start - base);
  if (base + reserved > end) munmap(reinterpret_cast<void*>(end), base + reserved - end);
  // Only a hint: without huge pages the storage is still good.
  madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  return RawStorage(reinterpret_cast<unsigned char*>(data - before), RawStorageRelease{end - start});
}

void SetRawReadBackend(std::shared_ptr<IRawReadBackend> backend) {
  std::lock_guard lock(settingsMutex);
  currentBackend = std::move(backend);
}

void SetRawReadTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard lock(settingsMutex);
  currentTimeout = timeout;
}

void SetRawReadPartsAtOnce(long long parts) {
  std::lock_guard lock(settingsMutex);
  currentPartsAtOnce = std::clamp(parts, 1LL, kRawReadPartsAtOnce);
}

ScopedRawReadPartsAtOnce::ScopedRawReadPartsAtOnce(long long parts) : previous_(threadPartsAtOnce) {
  threadPartsAtOnce = std::clamp(parts, 1LL, kRawReadPartsAtOnce);
}

ScopedRawReadPartsAtOnce::~ScopedRawReadPartsAtOnce() { threadPartsAtOnce = previous_; }

void ResetRawReadForTesting() {
  SetRawReadBackend(nullptr);
  SetRawReadTimeout(kRawReadTimeout);
  SetRawReadPartsAtOnce(DefaultPartsAtOnce());
  Pool().UseManualClock(false);
}

void UseManualRawReadClockForTesting() { Pool().UseManualClock(true); }

void AdvanceRawReadClockForTesting(std::chrono::milliseconds by) { Pool().AdvanceManualClock(by); }

std::size_t RawReadPartsRunning() { return Pool().Running(); }

std::size_t AbandonedRawReads() { return Pool().Abandoned(); }

bool WaitForAbandonedRawReads(std::chrono::milliseconds limit) { return Pool().WaitForAbandoned(limit); }

bool LastRawReadRefused() { return lastReadRefused; }

int LastRawReadError() { return lastReadError; }

void ClearLastRawReadError() { lastReadError = 0; }

}  // namespace quellsy

long long KDReadAsyncData(void* buffer, int fd, long long offset, long long length) {
  if (!buffer) return quellsy::RefuseArguments();
  return quellsy::ReadPieces({static_cast<unsigned char*>(buffer), nullptr}, 0, fd, offset, length);
}

long long KDReadAsyncDataInto(quellsy::RawReadBuffer& buffer, int fd, long long offset, long long length,
                              std::size_t at) {
  if (!buffer.data() || at > buffer.capacity() || length < 0 ||
      static_cast<unsigned long long>(length) > buffer.capacity() - at)
    return quellsy::RefuseArguments();
  return quellsy::ReadPieces({nullptr, &buffer}, static_cast<long long>(at), fd, offset, length);
}
