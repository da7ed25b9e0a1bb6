#pragma once
// Windows-style time helpers kept by the engine, and FILETIME conversions
// (FILETIME: 100-nanosecond intervals since 1601-01-01 UTC; 0 means "no time").

#include <cstdint>
#include <ctime>

struct _SYSTEMTIME {
  std::uint16_t wYear;
  std::uint16_t wMonth;      // 1-12
  std::uint16_t wDayOfWeek;  // 0 = Sunday
  std::uint16_t wDay;
  std::uint16_t wHour;
  std::uint16_t wMinute;
  std::uint16_t wSecond;
  std::uint16_t wMilliseconds;
};

// Local date and time; 0, or -1 for a null pointer.
int GetLocalTime(_SYSTEMTIME* out);

// Monotonic milliseconds, wrapping at 32 bits; differences stay right across a wrap.
unsigned int GetTickCount();

// Seconds since 1970 to local time, milliseconds 0; a negative value leaves out untouched. Returns 0.
int ConverTime(long seconds, _SYSTEMTIME* out);

namespace quellsy {

constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeEpochToUnixSeconds = 11'644'473'600;

// Times before 1601 become 0 ("no time").
constexpr std::uint64_t UnixSecondsToFileTime(std::int64_t seconds) {
  if (seconds < -kFileTimeEpochToUnixSeconds) return 0;
  return static_cast<std::uint64_t>(seconds + kFileTimeEpochToUnixSeconds) * kFileTimeTicksPerSecond;
}

constexpr std::int64_t FileTimeToUnixSeconds(std::uint64_t fileTime) {
  return static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) - kFileTimeEpochToUnixSeconds;
}

constexpr timespec FileTimeToTimespec(std::uint64_t fileTime) {
  return timespec{static_cast<time_t>(FileTimeToUnixSeconds(fileTime)),
                  static_cast<long>((fileTime % kFileTimeTicksPerSecond) * 100)};
}

static_assert(UnixSecondsToFileTime(0) == 116'444'736'000'000'000ULL);
static_assert(FileTimeToUnixSeconds(116'444'736'000'000'000ULL) == 0);

}  // namespace quellsy
