#pragma once
// The progress record and the progress sink the application implements.

#include <cstdint>

enum PROGRESS_STATUS : std::uint32_t {
  PROGRESS_STATUS_START = 0,     // first report of a block scan; total = blocks + 1
  PROGRESS_STATUS_NO_COUNT = 1,  // a record without counts (copy-out)
  PROGRESS_STATUS_RUNNING = 2,
  PROGRESS_STATUS_FINISHED = 3,
};

// Zeroed before every use; passed by pointer to the sink and by value between threads.
struct _PROGRESS_INFO {
  std::uint32_t status;  // PROGRESS_STATUS
  std::uint64_t total;
  std::uint64_t current;
  std::uint64_t result;  // result code, 0 = none
  char text[4096];       // empty unless a sender fills it
};
static_assert(sizeof(_PROGRESS_INFO) == 4128, "the progress record is 4128 bytes");

class IProgress {
 public:
  virtual ~IProgress() = default;
  // The sink copies what it needs; info stays the caller's.
  virtual void UpdateProgress(_PROGRESS_INFO* info) = 0;
  // Non-zero while the operation is to go on; may block while it is paused.
  virtual int Continued() = 0;
  // Non-zero when the trees are to be built at the end of a scan.
  virtual int shouldBuild() = 0;
};
