#include "Utility/RawRead.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Utility/CatchExeception.h"
#include "support/FaultyRawReadBackend.h"
#include "support/TempDir.h"

namespace quellsy {
namespace {

using test::FaultyRawReadBackend;
using test::ScopedRawReadBackend;

constexpr long long kMiB = 1024 * 1024;

enum class Routine { kCopy, kInPlace };

// The caller's bytes under either routine: memory the caller keeps (KDReadAsyncData) or a buffer it lends
// (KDReadAsyncDataInto). Bytes() shows what the caller's current storage holds.
class CallerBytes {
 public:
  CallerBytes(Routine routine, std::size_t size, std::uint8_t fill)
      : routine_(routine), memory_(size, fill), lent_(size) {
    std::memset(lent_.data(), fill, size);
  }

  long long Read(int fd, long long offset, long long length) {
    return routine_ == Routine::kCopy ? KDReadAsyncData(memory_.data(), fd, offset, length)
                                      : KDReadAsyncDataInto(lent_, fd, offset, length);
  }
  std::vector<std::uint8_t> Bytes() const {
    if (routine_ == Routine::kCopy) return memory_;
    return {lent_.data(), lent_.data() + lent_.capacity()};
  }
  const unsigned char* Storage() const { return routine_ == Routine::kCopy ? memory_.data() : lent_.data(); }
  std::size_t Capacity() const { return routine_ == Routine::kCopy ? memory_.size() : lent_.capacity(); }

 private:
  Routine routine_;
  std::vector<std::uint8_t> memory_;
  RawReadBuffer lent_;
};

bool AllAre(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to, std::uint8_t value) {
  return std::all_of(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to),
                     [value](auto b) { return b == value; });
}

class RawReadTest : public ::testing::TestWithParam<Routine> {
 protected:
  void SetUp() override {
    image_ = test::PatternBytes(static_cast<size_t>(10 * kMiB + 777));
    test::WriteFile(dir_ / "image.bin", image_);
    fd_ = open((dir_ / "image.bin").c_str(), O_RDONLY);
    ASSERT_GE(fd_, 0);
  }
  void TearDown() override { close(fd_); }

  std::vector<std::uint8_t> Expected(long long offset, long long length) const {
    return {image_.begin() + offset, image_.begin() + offset + length};
  }
  CallerBytes Caller(long long size, std::uint8_t fill = 0xAA) const {
    return CallerBytes(GetParam(), static_cast<std::size_t>(size), fill);
  }

  test::TempDir dir_;
  std::vector<std::uint8_t> image_;
  int fd_ = -1;
};

TEST_P(RawReadTest, ReturnsExactBytesAtAnyOffset) {
  struct Case {
    long long offset, length;
  };
  const Case cases[] = {
      {0, 512}, {1, 1}, {511, 3}, {4 * kMiB - 100, 200}, {123457, 4 * kMiB}, {3, 10 * kMiB}, {10 * kMiB, 777},
  };
  for (const auto& c : cases) {
    auto caller = Caller(c.length);
    EXPECT_EQ(caller.Read(fd_, c.offset, c.length), c.length) << c.offset;
    EXPECT_EQ(caller.Bytes(), Expected(c.offset, c.length)) << c.offset;
  }
}

TEST_P(RawReadTest, ReadTouchesOnlyItsOwnRange) {
  auto caller = Caller(1024);
  ASSERT_EQ(caller.Read(fd_, 4096, 512), 512);
  EXPECT_TRUE(AllAre(caller.Bytes(), 512, 1024, 0xAA));
}

TEST_P(RawReadTest, RefusesBadArgumentsWithoutTouchingTheBuffer) {
  struct Case {
    bool badFd;
    long long offset, length;
    bool lentOnly;  // memory the caller keeps has no size the routine could check
  };
  const Case cases[] = {
      {true, 0, 64, false}, {false, -512, 64, false}, {false, 0, -64, false},
      {false, 0, 0, false}, {false, 0, 65, true},
  };
  for (const auto& c : cases) {
    if (c.lentOnly && GetParam() == Routine::kCopy) continue;
    auto caller = Caller(64);
    EXPECT_EQ(caller.Read(c.badFd ? -1 : fd_, c.offset, c.length), 0) << c.offset << " " << c.length;
    EXPECT_TRUE(AllAre(caller.Bytes(), 0, 64, 0xAA)) << c.offset << " " << c.length;
  }
  EXPECT_EQ(KDReadAsyncData(nullptr, fd_, 0, 64), 0);
  RawReadBuffer empty;
  EXPECT_EQ(KDReadAsyncDataInto(empty, fd_, 0, 64), 0);
}

TEST_P(RawReadTest, EndOfFileGivesZerosBehindTheDataAndAnEmptyPieceFails) {
  const long long size = static_cast<long long>(image_.size());
  auto caller = Caller(1000);
  ASSERT_EQ(caller.Read(fd_, size - 100, 1000), 1000);
  const auto bytes = caller.Bytes();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100, image_.end() - 100));
  EXPECT_TRUE(AllAre(bytes, 100, 1000, 0));

  auto past = Caller(1000);
  EXPECT_EQ(past.Read(fd_, size + 4096, 1000), 0);
  EXPECT_TRUE(AllAre(past.Bytes(), 0, 1000, 0));
}

TEST_P(RawReadTest, FailedPieceIsZeroedAndTheOthersKept) {
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->FailRequestsStartingIn({4 * kMiB, 8 * kMiB});
  ScopedRawReadBackend scoped(backend, std::chrono::seconds(5));
  SetRawReadPartsAtOnce(4);

  auto caller = Caller(10 * kMiB);
  EXPECT_EQ(caller.Read(fd_, 0, 10 * kMiB), 0);
  // Pieces of 4, 4 and 2 MiB, each read as parts of 1 MiB; every part of the second starts in the failing range.
  EXPECT_EQ(backend->Requests(), 10);
  const auto bytes = caller.Bytes();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 4 * kMiB, image_.begin()));
  EXPECT_TRUE(AllAre(bytes, 4 * kMiB, 8 * kMiB, 0));
  EXPECT_TRUE(std::equal(bytes.begin() + 8 * kMiB, bytes.end(), image_.begin() + 8 * kMiB));
}

// Fails every request with one system error that no default would give.
class RefusingBackend final : public IRawReadBackend {
 public:
  long long ReadAt(int, void*, long long, long long) override {
    errno = EROFS;
    return -1;
  }
};

// A failed read leaves its own reason on the caller's thread, until the next read or a clear: never an earlier
// call's, never another thread's.
TEST_P(RawReadTest, AFailedReadLeavesItsReasonOnTheCallersThread) {
  const long long size = static_cast<long long>(image_.size());
  auto caller = Caller(4096);
  struct Case {
    const char* name;
    int fd;
    long long offset, length;
    int error;
  };
  const Case cases[] = {{"read", fd_, 0, 4096, 0},
                        {"past the end", fd_, size + 4096, 4096, ENXIO},
                        {"bad offset", fd_, -512, 512, EINVAL},
                        {"read again", fd_, 4096, 512, 0}};
  for (const Case& c : cases) {
    errno = EEXIST;
    caller.Read(c.fd, c.offset, c.length);
    EXPECT_EQ(LastRawReadError(), c.error) << c.name;
  }
  {
    ScopedRawReadBackend scoped(std::make_shared<RefusingBackend>(), std::chrono::seconds(5));
    EXPECT_EQ(caller.Read(fd_, 0, 4096), 0);
    EXPECT_EQ(LastRawReadError(), EROFS);
    int elsewhere = -1;
    std::thread([&elsewhere] { elsewhere = LastRawReadError(); }).join();
    EXPECT_EQ(elsewhere, 0);
  }
  ClearLastRawReadError();
  EXPECT_EQ(LastRawReadError(), 0);
}

// Reads the file, but holds every request until `together` of them are in the system at once. The limit only ends
// the wait of an engine that never posts them together, which then fails below instead of hanging.
class GatheringBackend final : public IRawReadBackend {
 public:
  explicit GatheringBackend(int together) : together_(together) {}
  long long ReadAt(int fd, void* buffer, long long length, long long offset) override {
    std::unique_lock lock(mutex_);
    offsets_.push_back(offset);
    ++inside_;
    most_ = std::max(most_, inside_);
    arrived_.notify_all();
    arrived_.wait_for(lock, std::chrono::seconds(60), [this] { return most_ >= together_; });
    --inside_;
    lock.unlock();
    return pread(fd, buffer, static_cast<size_t>(length), offset);
  }
  int Most() const {
    std::lock_guard lock(mutex_);
    return most_;
  }
  std::vector<long long> Offsets() const {
    std::lock_guard lock(mutex_);
    std::vector<long long> sorted = offsets_;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }

 private:
  const int together_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  int inside_ = 0;
  int most_ = 0;
  std::vector<long long> offsets_;
};

// A piece is read as four adjacent parts of 1 MiB that are all in the system at the same time, and the bytes are
// those of the file; pieces follow one another.
TEST_P(RawReadTest, APieceIsReadAsAdjacentPartsAtOnce) {
  auto backend = std::make_shared<GatheringBackend>(4);
  ScopedRawReadBackend scoped(backend, std::chrono::seconds(10));
  SetRawReadPartsAtOnce(4);

  auto caller = Caller(6 * kMiB);
  ASSERT_EQ(caller.Read(fd_, 4096, 6 * kMiB), 6 * kMiB);
  EXPECT_EQ(caller.Bytes(), Expected(4096, 6 * kMiB));
  EXPECT_EQ(backend->Most(), 4);
  EXPECT_EQ(backend->Offsets(), (std::vector<long long>{4096, 4096 + kMiB, 4096 + 2 * kMiB, 4096 + 3 * kMiB,
                                                        4096 + 4 * kMiB, 4096 + 5 * kMiB}));
}

// Parts at once set for one thread: its read of 4 MiB goes as four parts of 1 MiB together although the process
// says one; a thread started meanwhile, and the same thread once the setting is gone, read 4 MiB as one part.
TEST_P(RawReadTest, PartsAtOnceSetForOneThreadLeaveOtherThreadsAsTheProcessSays) {
  auto backend = std::make_shared<GatheringBackend>(4);
  ScopedRawReadBackend scoped(backend, std::chrono::seconds(10));
  SetRawReadPartsAtOnce(1);
  auto caller = Caller(4 * kMiB);
  {
    const ScopedRawReadPartsAtOnce parts(4);
    ASSERT_EQ(caller.Read(fd_, 4096, 4 * kMiB), 4 * kMiB);
    EXPECT_EQ(caller.Bytes(), Expected(4096, 4 * kMiB));
    EXPECT_EQ(backend->Most(), 4);
    EXPECT_EQ(backend->Offsets(), (std::vector<long long>{4096, 4096 + kMiB, 4096 + 2 * kMiB, 4096 + 3 * kMiB}));
    auto other = Caller(4 * kMiB);
    long long got = 0;
    std::thread([&] { got = other.Read(fd_, 0, 4 * kMiB); }).join();
    EXPECT_EQ(got, 4 * kMiB);
    EXPECT_EQ(other.Bytes(), Expected(0, 4 * kMiB));
    EXPECT_EQ(backend->Offsets().size(), 5u);
  }
  ASSERT_EQ(caller.Read(fd_, 2 * kMiB, 4 * kMiB), 4 * kMiB);
  EXPECT_EQ(caller.Bytes(), Expected(2 * kMiB, 4 * kMiB));
  EXPECT_EQ(backend->Offsets().size(), 6u);
}

// Reads the file, the bytes the system holds in memory through ReadHeld (all of them, or none), and counts on which
// threads each kind of read ran.
class HeldBackend final : public IRawReadBackend {
 public:
  explicit HeldBackend(bool holds) : holds_(holds), caller_(std::this_thread::get_id()) {}
  long long ReadAt(int fd, void* buffer, long long length, long long offset) override {
    std::lock_guard lock(mutex_);
    ++workerReads_;
    return pread(fd, buffer, static_cast<size_t>(length), offset);
  }
  bool ReadHeld(int fd, void* buffer, long long length, long long offset) override {
    std::lock_guard lock(mutex_);
    if (std::this_thread::get_id() == caller_) ++callerHeldReads_;
    return holds_ && pread(fd, buffer, static_cast<size_t>(length), offset) == length;
  }
  int WorkerReads() const {
    std::lock_guard lock(mutex_);
    return workerReads_;
  }
  int CallerHeldReads() const {
    std::lock_guard lock(mutex_);
    return callerHeldReads_;
  }

 private:
  const bool holds_;
  const std::thread::id caller_;
  mutable std::mutex mutex_;
  int workerReads_ = 0;
  int callerHeldReads_ = 0;
};

// A piece of one part is first asked of what the system holds, on the caller's own thread: held, it needs no
// worker; not held, a worker reads it. A piece of several parts always goes to the workers, all at once.
TEST_P(RawReadTest, APieceOfOnePartHeldInMemoryIsReadByTheCaller) {
  struct Case {
    bool holds;
    long long offset, length;
    int callerHeldReads, workerReads;
  };
  const Case cases[] = {
      {true, 512, 4096, 1, 0},
      {true, 3, kMiB + 5, 1, 0},
      {false, 512, 4096, 1, 1},
      {true, 0, 4 * kMiB, 0, 4},             // four parts of 1 MiB
      {true, 7, 5 * kMiB, 1, 4},             // four parts, then a piece of one part
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    auto backend = std::make_shared<HeldBackend>(c.holds);
    ScopedRawReadBackend scoped(backend, std::chrono::seconds(10));
    SetRawReadPartsAtOnce(4);
    auto caller = Caller(c.length);
    ASSERT_EQ(caller.Read(fd_, c.offset, c.length), c.length);
    EXPECT_EQ(caller.Bytes(), Expected(c.offset, c.length));
    EXPECT_EQ(backend->CallerHeldReads(), c.callerHeldReads);
    EXPECT_EQ(backend->WorkerReads(), c.workerReads);
  }
}

// The stalled piece is the middle one of three, read as four parts: its first part stalls, or three of its parts
// do while the other one finishes. The pieces around it and the bytes past the request keep their data, whichever
// storage the caller holds afterwards, and the late 0xEE writes reach none of it.
TEST_P(RawReadTest, StalledReadTimesOutAndItsLateDataReachesNoCaller) {
  struct Case {
    long long stallFrom, stallTo;
    std::size_t stalled;
  };
  const Case cases[] = {{4 * kMiB, 4 * kMiB + 1, 1}, {5 * kMiB, 7 * kMiB + 1, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stalled);
    auto backend = std::make_shared<FaultyRawReadBackend>();
    backend->StallRequestsStartingIn({c.stallFrom, c.stallTo});
    ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(100));
    SetRawReadPartsAtOnce(4);

    const long long length = 9 * kMiB;
    auto stalled = Caller(length + 512);
    const unsigned char* lent = stalled.Storage();
    EXPECT_EQ(stalled.Read(fd_, 0, length), 0);
    EXPECT_EQ(AbandonedRawReads(), c.stalled);
    EXPECT_EQ(stalled.Capacity(), static_cast<std::size_t>(length + 512));
    // Lent storage went with the stalled reads (they still hold it, so the new storage cannot share its address).
    EXPECT_EQ(stalled.Storage() != lent, GetParam() == Routine::kInPlace);

    auto next = Caller(4096);
    ASSERT_EQ(next.Read(fd_, 8192, 4096), 4096);

    backend->ReleaseStalled();
    ASSERT_TRUE(WaitForAbandonedRawReads(std::chrono::seconds(10)));

    auto after = Caller(4096);
    ASSERT_EQ(after.Read(fd_, 12288, 4096), 4096);
    EXPECT_EQ(next.Bytes(), Expected(8192, 4096));
    EXPECT_EQ(after.Bytes(), Expected(12288, 4096));
    const auto bytes = stalled.Bytes();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 4 * kMiB, image_.begin()));
    EXPECT_TRUE(AllAre(bytes, 4 * kMiB, 8 * kMiB, 0));
    EXPECT_TRUE(std::equal(bytes.begin() + 8 * kMiB, bytes.begin() + length, image_.begin() + 8 * kMiB));
    EXPECT_TRUE(AllAre(bytes, length, length + 512, 0xAA));
  }
}

TEST_P(RawReadTest, TooManyStalledRequestsFailAtOnceUntilTheyReturn) {
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({0, 1 * kMiB});
  ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(30));

  auto caller = Caller(512);
  for (std::size_t i = 0; i <= kMaxAbandonedRawReads; ++i)
    EXPECT_EQ(caller.Read(fd_, static_cast<long long>(i) * 512, 512), 0);
  backend->WaitForStalled(static_cast<int>(kMaxAbandonedRawReads) + 1);
  const int asked = backend->Requests();

  EXPECT_FALSE(LastRawReadRefused());  // the stalled ones reached the device and timed out

  // Every worker is stuck in the system: the next reads are refused without a new request, said so to the
  // caller, and logged once with the file and the offset.
  const auto log = dir_ / "sQuellsy.log";
  CatchExeception::SetWorkPathForTesting(dir_.path().string());
  EXPECT_EQ(caller.Read(fd_, 2 * kMiB, 512), 0);
  EXPECT_TRUE(LastRawReadRefused());
  EXPECT_EQ(caller.Read(fd_, 3 * kMiB, 512), 0);
  EXPECT_TRUE(LastRawReadRefused());
  EXPECT_EQ(backend->Requests(), asked);
  CatchExeception::SetWorkPathForTesting("");
  std::ifstream logged(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(logged, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("raw reads refused"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find((dir_ / "image.bin").string()), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(std::to_string(2 * kMiB)), std::string::npos) << lines[0];

  backend->ReleaseStalled();
  ASSERT_TRUE(WaitForAbandonedRawReads(std::chrono::seconds(10)));
  ASSERT_EQ(caller.Read(fd_, 2 * kMiB, 512), 512);
  EXPECT_FALSE(LastRawReadRefused());
  EXPECT_EQ(caller.Bytes(), Expected(2 * kMiB, 512));
}

// Storage of a read-ahead block's size starts its data on a huge-page boundary so that the kernel can back it with
// huge pages; the room before and after it is there to write and read, the bytes after it are zeros, and a small
// buffer is as good.
TEST(RawReadBuffer, BlockStorageIsWholeAroundAHugePageAlignedData) {
  struct Case {
    std::size_t capacity, before, after;
  };
  const Case cases[] = {{4 * kMiB, 64 * 1024, 4096}, {4 * kMiB + 512, 1000, 333}, {9 * kMiB + 512, 0, 0}, {4096, 512, 64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    RawReadBuffer buffer(c.capacity, c.before, c.after);
    ASSERT_NE(buffer.data(), nullptr);
    if (c.capacity >= 2 * kMiB) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % (2 * kMiB), 0u);
    }
    EXPECT_TRUE(std::all_of(buffer.data() + c.capacity, buffer.data() + c.capacity + c.after,
                            [](unsigned char b) { return b == 0; }));
    std::memset(buffer.data() - c.before, 0x5A, c.before + c.capacity);
    EXPECT_EQ(buffer.data()[-static_cast<long>(c.before)], 0x5A);
    EXPECT_EQ(buffer.data()[c.capacity - 1], 0x5A);
    // Moved storage stays where it was and is freed once.
    RawReadBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.data()[0], 0x5A);
    EXPECT_EQ(buffer.data(), nullptr);
  }
}

// The kernel's own account of the mapping that holds `address` (/proc/self/smaps): the value of `field` in kB or
// as a flag, -1 when no mapping holds it or the field is missing.
long long SmapsField(const void* address, const std::string& field) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long long start = 0, end = 0;
    char dash = 0;
    // A mapping's header starts "start-end perms ...", both in hex; field lines start with a capital.
    const auto first = static_cast<unsigned char>(line.empty() ? ' ' : line[0]);
    if (std::isxdigit(first) && !std::isupper(first)) {
      std::istringstream header(line);
      header >> std::hex >> start >> dash >> end;
      inside = dash == '-' && start <= at && at < end;
    } else if (inside && line.rfind(field + ":", 0) == 0) {
      return std::stoll(line.substr(field.size() + 1));
    }
  }
  return -1;
}

// A block's storage is offered to the kernel for transparent huge pages whatever the system-wide mode asks
// ("madvise" gives them only to memory that asks), so a complete scan's buffers need no heap set up for them.
TEST(RawReadBuffer, BlockStorageIsEligibleForHugePages) {
  std::ifstream modeFile("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string mode;
  std::getline(modeFile, mode);
  if (mode.empty() || mode.find("[never]") != std::string::npos)
    GTEST_SKIP() << "transparent huge pages are off on this machine (" << mode << ")";
  RawReadBuffer block(4 * kMiB, 64 * 1024, 4096);
  std::memset(block.data(), 1, block.capacity());
  EXPECT_EQ(SmapsField(block.data(), "THPeligible"), 1);
}

// The copying routine and the in-place one share every rule.
std::string RoutineName(const ::testing::TestParamInfo<Routine>& routine) {
  return routine.param == Routine::kCopy ? "Copy" : "InPlace";
}

INSTANTIATE_TEST_SUITE_P(RawRead, RawReadTest, ::testing::Values(Routine::kCopy, Routine::kInPlace), RoutineName);

}  // namespace
}  // namespace quellsy
