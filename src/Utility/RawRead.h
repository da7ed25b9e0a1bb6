#pragma once
// The one routine through which every raw read of a disk, volume or image file goes.

#include <chrono>
#include <cstddef>
#include <memory>

// Reads `length` bytes at byte `offset` of the open file `fd` into `buffer`, in pieces of 4 MiB,
// one request at a time for the whole process. Returns `length` when every piece was read, else 0;
// a piece that fails or does not finish within the time-out reads as zeros, and a piece cut short
// by the end of the file has zeros behind its data. A null buffer, a negative fd, offset or length,
// or a length of 0 returns 0 and leaves the buffer untouched.
long long KDReadAsyncData(void* buffer, int fd, long long offset, long long length);

namespace quellsy {

constexpr long long kRawReadPieceBytes = 4LL * 1024 * 1024;
constexpr std::chrono::milliseconds kRawReadTimeout{30'000};
// Requests that timed out but are still running in the system; past this many, a read fails at once.
constexpr std::size_t kMaxAbandonedRawReads = 4;

// Where the bytes come from: pread by default; tests substitute failures and stalls.
class IRawReadBackend {
 public:
  virtual ~IRawReadBackend() = default;
  // Reads up to `length` bytes at `offset`: the count read (short only at end of file), 0 at end of
  // file, -1 on error.
  virtual long long ReadAt(int fd, void* buffer, long long length, long long offset) = 0;
};

// A null backend restores pread.
void SetRawReadBackend(std::shared_ptr<IRawReadBackend> backend);
void SetRawReadTimeout(std::chrono::milliseconds timeout);
// Back to pread and the 30 s time-out.
void ResetRawReadForTesting();
// Timed-out requests whose system read has not come back yet.
std::size_t AbandonedRawReads();

}  // namespace quellsy
