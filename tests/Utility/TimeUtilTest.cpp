#include "Utility/TimeUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// The ticks between two readings lie within the steady clock's time around them and past its time between them,
// to the millisecond the ticks are cut to, however long the sleep really took.
TEST(TimeUtil, TickCountIsMonotonicMilliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto outerStart = Clock::now();
  const unsigned int start = GetTickCount();
  const auto innerStart = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  const auto innerEnd = Clock::now();
  const unsigned int elapsed = GetTickCount() - start;
  const auto outerEnd = Clock::now();
  const auto inMs = [](Clock::duration d) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
  };
  EXPECT_GE(static_cast<long long>(elapsed), 120);
  EXPECT_GE(static_cast<long long>(elapsed) + 1, inMs(innerEnd - innerStart));
  EXPECT_LE(static_cast<long long>(elapsed), inMs(outerEnd - outerStart) + 1);
}

TEST(TimeUtil, LocalTimeAgreesWithTheCLibrary) {
  EXPECT_EQ(GetLocalTime(nullptr), -1);
  _SYSTEMTIME now{};
  const time_t before = time(nullptr);
  ASSERT_EQ(GetLocalTime(&now), 0);
  const time_t after = time(nullptr);
  // A new year may begin between the reads: the year is one of the two the C library gives.
  std::tm first{};
  std::tm second{};
  localtime_r(&before, &first);
  localtime_r(&after, &second);
  EXPECT_GE(now.wYear, first.tm_year + 1900);
  EXPECT_LE(now.wYear, second.tm_year + 1900);
  EXPECT_GE(now.wMonth, 1);
  EXPECT_LE(now.wMonth, 12);
  EXPECT_LT(now.wMilliseconds, 1000);
}

TEST(TimeUtil, ConverTimeFillsLocalTimeAndIgnoresNegativeSeconds) {
  _SYSTEMTIME out{};
  out.wYear = 7;
  EXPECT_EQ(ConverTime(-1, &out), 0);
  EXPECT_EQ(out.wYear, 7);

  const long seconds = 1'000'000'000;  // 2001-09-09 01:46:40 UTC
  const time_t t = seconds;
  std::tm tm{};
  localtime_r(&t, &tm);
  ASSERT_EQ(ConverTime(seconds, &out), 0);
  EXPECT_EQ(out.wYear, tm.tm_year + 1900);
  EXPECT_EQ(out.wDay, tm.tm_mday);
  EXPECT_EQ(out.wHour, tm.tm_hour);
  EXPECT_EQ(out.wSecond, 40);
  EXPECT_EQ(out.wMilliseconds, 0);
}

TEST(TimeUtil, FileTimeConversions) {
  using namespace quellsy;
  EXPECT_EQ(FileTimeToUnixSeconds(UnixSecondsToFileTime(1'000'000'000)), 1'000'000'000);
  EXPECT_EQ(UnixSecondsToFileTime(-kFileTimeEpochToUnixSeconds - 1), 0u);
  EXPECT_EQ(FileTimeToUnixSeconds(0), -kFileTimeEpochToUnixSeconds);
  const timespec ts = FileTimeToTimespec(UnixSecondsToFileTime(5) + 1234567);
  EXPECT_EQ(ts.tv_sec, 5);
  EXPECT_EQ(ts.tv_nsec, 123456700);
}

}  // namespace
