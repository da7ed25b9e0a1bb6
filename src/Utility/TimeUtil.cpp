#include "Utility/TimeUtil.h"

#include <sys/time.h>

namespace {
void FillFromTm(const std::tm& tm, _SYSTEMTIME* out) {
  out->wYear = static_cast<std::uint16_t>(tm.tm_year + 1900);
  out->wMonth = static_cast<std::uint16_t>(tm.tm_mon + 1);
  out->wDayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
  out->wDay = static_cast<std::uint16_t>(tm.tm_mday);
  out->wHour = static_cast<std::uint16_t>(tm.tm_hour);
  out->wMinute = static_cast<std::uint16_t>(tm.tm_min);
  out->wSecond = static_cast<std::uint16_t>(tm.tm_sec);
}
}  // namespace

int GetLocalTime(_SYSTEMTIME* out) {
  if (!out) return -1;
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm tm{};
  localtime_r(&now.tv_sec, &tm);
  FillFromTm(tm, out);
  out->wMilliseconds = static_cast<std::uint16_t>(now.tv_usec / 1000);
  return 0;
}

unsigned int GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL + static_cast<unsigned long long>(now.tv_nsec) / 1'000'000ULL;
  return static_cast<unsigned int>(ms);
}

int ConverTime(long seconds, _SYSTEMTIME* out) {
  if (seconds < 0 || !out) return 0;
  const time_t t = seconds;
  std::tm tm{};
  localtime_r(&t, &tm);
  FillFromTm(tm, out);
  out->wMilliseconds = 0;
  return 0;
}
