#pragma once
// DOS date and time words of a directory entry to FILETIME, read as local time.

#include <cstdint>

namespace quellsy {

// Seconds in two-second steps, minutes, hours; day, month, year since 1980. The calendar time goes through
// mktime (local time, daylight saving decided by the C library), so a date of 0 (month -1, day 0) comes out as
// mktime normalises it. 0 when mktime refuses the value.
std::uint64_t DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time);

}  // namespace quellsy
