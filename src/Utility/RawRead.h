#pragma once
// The one routine through which every raw read of a disk, volume or image file goes.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <utility>

// Reads `length` bytes at byte `offset` of the open file `fd` into `buffer`, in pieces of 4 MiB, one caller at a
// time for the whole process (each piece read as a few adjacent parts at once, see kRawReadPartBytes; a piece of
// one part that the page cache holds whole is read by the caller itself). Returns `length` when every piece was read, else 0;
// a piece that fails or does not finish within the time-out reads as zeros, and a piece cut short
// by the end of the file has zeros behind its data. A null buffer, a negative fd, offset or length,
// or a length of 0 returns 0 and leaves the buffer untouched.
long long KDReadAsyncData(void* buffer, int fd, long long offset, long long length);

namespace quellsy {

// Frees what AllocateRawStorage gave: a mapping of its own (`mapped` bytes from the pointer) or an array.
struct RawStorageRelease {
  std::size_t mapped = 0;
  void operator()(unsigned char* storage) const noexcept;
};
using RawStorage = std::unique_ptr<unsigned char[], RawStorageRelease>;

// Uninitialised storage for `before` + `capacity` + `after` bytes; throws std::bad_alloc. Storage of a few
// megabytes is mapped on its own, its data (from `before` bytes in) on a huge-page boundary: the kernel then
// backs the bulk of it with huge pages, and a new page costs a fault per 2 MiB instead of one per 4 KiB.
RawStorage AllocateRawStorage(std::size_t before, std::size_t capacity, std::size_t after);

// Heap storage that a reader owns and can give away: the raw-read routine reads into it in place, and a
// read that times out takes the storage along with its stalled system read.
class RawReadBuffer {
 public:
  RawReadBuffer() = default;
  // Uninitialised bytes; throws std::bad_alloc like any allocation.
  explicit RawReadBuffer(std::size_t capacity) : RawReadBuffer(capacity, 0, 0) {}
  // As above, with `before` uninitialised bytes in front of data() and `after` zero bytes behind its capacity,
  // both outside what reads fill: whoever reads the bytes may look a little before and past them.
  RawReadBuffer(std::size_t capacity, std::size_t before, std::size_t after)
      : storage_(capacity ? AllocateRawStorage(before, capacity, after) : RawStorage()),
        capacity_(storage_ ? capacity : 0),
        before_(storage_ ? before : 0),
        after_(storage_ ? after : 0) {
    if (storage_) std::fill_n(storage_.get() + before_ + capacity_, after_, static_cast<unsigned char>(0));
  }
  RawReadBuffer(RawReadBuffer&& other) noexcept
      : storage_(std::move(other.storage_)),
        capacity_(std::exchange(other.capacity_, 0)),
        before_(std::exchange(other.before_, 0)),
        after_(std::exchange(other.after_, 0)) {}
  RawReadBuffer& operator=(RawReadBuffer&& other) noexcept {
    storage_ = std::move(other.storage_);
    capacity_ = std::exchange(other.capacity_, 0);
    before_ = std::exchange(other.before_, 0);
    after_ = std::exchange(other.after_, 0);
    return *this;
  }

  unsigned char* data() const noexcept { return storage_ ? storage_.get() + before_ : nullptr; }
  std::size_t capacity() const noexcept { return capacity_; }
  std::size_t before() const noexcept { return before_; }
  std::size_t after() const noexcept { return after_; }
  // True when `count` pieces of `unit` bytes fit from `at` bytes into the storage; a count of 0 or less asks for
  // nothing and fits.
  bool Holds(long long count, unsigned unit, std::size_t at = 0) const noexcept {
    long long bytes = 0;
    return count <= 0 ||
           (at <= capacity_ && !__builtin_mul_overflow(count, static_cast<long long>(unit), &bytes) &&
            static_cast<unsigned long long>(bytes) <= capacity_ - at);
  }
  // Gives the storage away (data() lies before() bytes into it) and leaves the buffer empty.
  RawStorage Release() noexcept {
    capacity_ = 0;
    before_ = 0;
    after_ = 0;
    return std::move(storage_);
  }

 private:
  RawStorage storage_;
  std::size_t capacity_ = 0;
  std::size_t before_ = 0;
  std::size_t after_ = 0;
};

constexpr long long kRawReadPieceBytes = 4LL * 1024 * 1024;
// A piece of at least two parts is read as adjacent parts of at least this size, up to kRawReadPartsAtOnce of them
// at the same time (half the cores): one copy out of the page cache, or one request to a fast disk, falls far short of the memory's
// or the disk's speed. Still one caller at a time, so the disk never sees reads of two places interleaved.
constexpr long long kRawReadPartBytes = 1024 * 1024;
constexpr long long kRawReadPartsAtOnce = 4;
constexpr std::chrono::milliseconds kRawReadTimeout{30'000};
// Requests that timed out but are still running in the system; past this many, a read fails at once.
constexpr std::size_t kMaxAbandonedRawReads = 4;

// Where the bytes come from: pread by default; tests substitute failures and stalls.
class IRawReadBackend {
 public:
  virtual ~IRawReadBackend() = default;
  // Reads up to `length` bytes at `offset`: the count read (short only at end of file), 0 at end of
  // file, -1 on error with errno saying why.
  virtual long long ReadAt(int fd, void* buffer, long long length, long long offset) = 0;
  // Reads all `length` bytes at `offset` only when the system holds them in memory already, so that the read
  // cannot stall: true when every byte was read. The calling thread reads them itself, with no hand-over to a
  // worker. By default nothing is held.
  virtual bool ReadHeld(int /*fd*/, void* /*buffer*/, long long /*length*/, long long /*offset*/) { return false; }
};

// A null backend restores pread.
void SetRawReadBackend(std::shared_ptr<IRawReadBackend> backend);
void SetRawReadTimeout(std::chrono::milliseconds timeout);
// How many parts of a piece are read at once, from 1 to kRawReadPartsAtOnce; half the cores unless set.
void SetRawReadPartsAtOnce(long long parts);
// While one lives, the raw reads of the thread that made it are read as up to `parts` parts at once (1 to
// kRawReadPartsAtOnce) whatever the process's setting: for a reader that has the cores to itself and only waits
// for its reads, such as a quick scan. Other threads' reads keep the process's setting.
class ScopedRawReadPartsAtOnce {
 public:
  explicit ScopedRawReadPartsAtOnce(long long parts);
  ~ScopedRawReadPartsAtOnce();
  ScopedRawReadPartsAtOnce(const ScopedRawReadPartsAtOnce&) = delete;
  ScopedRawReadPartsAtOnce& operator=(const ScopedRawReadPartsAtOnce&) = delete;

 private:
  long long previous_;
};
// Back to pread, the 30 s time-out, the parts the cores allow and the steady clock.
void ResetRawReadForTesting();
// Tests: time-outs are counted on a clock that only AdvanceRawReadClockForTesting moves, so a read times out when
// the test says so and never because the machine was busy.
void UseManualRawReadClockForTesting();
void AdvanceRawReadClockForTesting(std::chrono::milliseconds by);
// Parts handed to workers whose system read has not come back yet, abandoned ones included.
std::size_t RawReadPartsRunning();
// Timed-out requests whose system read has not come back yet.
std::size_t AbandonedRawReads();
// Waits until every abandoned request has come back; false when `limit` passed first.
bool WaitForAbandonedRawReads(std::chrono::milliseconds limit);
// True when the calling thread's last raw read failed because every worker was stuck in a stalled read
// (the request never reached the device). The first such refusal is logged with its file and offset,
// once until a stalled read comes back.
bool LastRawReadRefused();
// The system's error (an errno value) behind the calling thread's last raw read when it failed: that of the first
// system read that failed, ETIMEDOUT for one that did not finish in time, EBUSY for one refused while every
// worker was stalled, ENXIO for one that found nothing (past the end of the file), EINVAL for bad arguments.
// 0 after a raw read that succeeded, and after ClearLastRawReadError(): a caller that may fail without a raw read
// clears it first, so that it never reports an earlier read's reason.
int LastRawReadError();
void ClearLastRawReadError();

}  // namespace quellsy

// As KDReadAsyncData, but the system reads go straight into `buffer`'s storage, from `at` bytes into it, with no
// copy. When a piece times out, the storage stays with the stalled read (freed when it returns) and `buffer`
// gets fresh storage of the same capacity holding everything the old one held except that piece, which is
// zeros. A length past the buffer's capacity, or an empty buffer, is refused like a null buffer.
long long KDReadAsyncDataInto(quellsy::RawReadBuffer& buffer, int fd, long long offset, long long length,
                              std::size_t at = 0);
