#include "Utility/RawRead.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "support/FaultyRawReadBackend.h"
#include "support/TempDir.h"

namespace quellsy {
namespace {

using test::FaultyRawReadBackend;
using test::ScopedRawReadBackend;

constexpr long long kMiB = 1024 * 1024;

class RawReadTest : public ::testing::Test {
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

  test::TempDir dir_;
  std::vector<std::uint8_t> image_;
  int fd_ = -1;
};

TEST_F(RawReadTest, ReturnsExactBytesAtAnyOffset) {
  struct Case {
    long long offset, length;
  };
  const Case cases[] = {
      {0, 512}, {1, 1}, {511, 3}, {4 * kMiB - 100, 200}, {123457, 4 * kMiB}, {3, 10 * kMiB}, {10 * kMiB, 777},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> buffer(static_cast<size_t>(c.length), 0xAA);
    EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, c.offset, c.length), c.length) << c.offset;
    EXPECT_EQ(buffer, Expected(c.offset, c.length)) << c.offset;
  }
}

TEST_F(RawReadTest, ReadTouchesOnlyItsOwnRange) {
  std::vector<std::uint8_t> buffer(1024, 0xAA);
  ASSERT_EQ(KDReadAsyncData(buffer.data(), fd_, 4096, 512), 512);
  EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](auto b) { return b == 0xAA; }));
}

TEST_F(RawReadTest, RefusesBadArgumentsWithoutTouchingTheBuffer) {
  std::vector<std::uint8_t> buffer(64, 0xAA);
  EXPECT_EQ(KDReadAsyncData(nullptr, fd_, 0, 64), 0);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), -1, 0, 64), 0);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, -512, 64), 0);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, 0, -64), 0);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, 0, 0), 0);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0xAA; }));
}

TEST_F(RawReadTest, EndOfFileGivesZerosBehindTheDataAndAnEmptyPieceFails) {
  const long long size = static_cast<long long>(image_.size());
  std::vector<std::uint8_t> buffer(1000, 0xAA);
  ASSERT_EQ(KDReadAsyncData(buffer.data(), fd_, size - 100, 1000), 1000);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, image_.end() - 100));
  EXPECT_TRUE(std::all_of(buffer.begin() + 100, buffer.end(), [](auto b) { return b == 0; }));

  std::fill(buffer.begin(), buffer.end(), 0xAA);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, size + 4096, 1000), 0);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0; }));
}

TEST_F(RawReadTest, FailedPieceIsZeroedAndTheOthersKept) {
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->FailRequestsStartingIn({4 * kMiB, 8 * kMiB});
  ScopedRawReadBackend scoped(backend, std::chrono::seconds(5));

  std::vector<std::uint8_t> buffer(static_cast<size_t>(10 * kMiB), 0xAA);
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, 0, 10 * kMiB), 0);
  EXPECT_EQ(backend->Requests(), 3);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 4 * kMiB, image_.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + 4 * kMiB, buffer.begin() + 8 * kMiB, [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::equal(buffer.begin() + 8 * kMiB, buffer.end(), image_.begin() + 8 * kMiB));
}

TEST_F(RawReadTest, StalledReadTimesOutAndItsLateDataReachesNoCaller) {
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({0, 4096});
  ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(100));

  std::vector<std::uint8_t> stalled(4096, 0xAA);
  EXPECT_EQ(KDReadAsyncData(stalled.data(), fd_, 0, 4096), 0);
  EXPECT_TRUE(std::all_of(stalled.begin(), stalled.end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(AbandonedRawReads(), 1u);

  std::vector<std::uint8_t> next(4096, 0xAA);
  ASSERT_EQ(KDReadAsyncData(next.data(), fd_, 8192, 4096), 4096);

  backend->ReleaseStalled();
  for (int i = 0; i < 500 && AbandonedRawReads() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(AbandonedRawReads(), 0u);

  std::vector<std::uint8_t> after(4096, 0xAA);
  ASSERT_EQ(KDReadAsyncData(after.data(), fd_, 12288, 4096), 4096);
  EXPECT_EQ(next, Expected(8192, 4096));
  EXPECT_EQ(after, Expected(12288, 4096));
  EXPECT_TRUE(std::all_of(stalled.begin(), stalled.end(), [](auto b) { return b == 0; }));
}

TEST_F(RawReadTest, TooManyStalledRequestsFailAtOnceUntilTheyReturn) {
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({0, 1 * kMiB});
  ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(30));

  std::vector<std::uint8_t> buffer(512);
  for (std::size_t i = 0; i <= kMaxAbandonedRawReads; ++i)
    EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, static_cast<long long>(i) * 512, 512), 0);
  backend->WaitForStalled(static_cast<int>(kMaxAbandonedRawReads) + 1);
  const int asked = backend->Requests();

  // Every worker is stuck in the system: the next read is refused without a new request.
  EXPECT_EQ(KDReadAsyncData(buffer.data(), fd_, 2 * kMiB, 512), 0);
  EXPECT_EQ(backend->Requests(), asked);

  backend->ReleaseStalled();
  for (int i = 0; i < 500 && AbandonedRawReads() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(KDReadAsyncData(buffer.data(), fd_, 2 * kMiB, 512), 512);
  EXPECT_EQ(buffer, Expected(2 * kMiB, 512));
}

}  // namespace
}  // namespace quellsy
