#pragma once
// exFAT timestamps to FILETIME.

#include <cstdint>

struct _tagDOSTime {
  std::uint16_t time = 0;  // bits 0-4 two-second count, 5-10 minutes, 11-15 hours
  std::uint16_t date = 0;  // bits 0-4 day, 5-8 month, 9-15 years since 1980

  static _tagDOSTime FromStamp(std::uint32_t stamp) {
    return {static_cast<std::uint16_t>(stamp & 0xFFFF), static_cast<std::uint16_t>(stamp >> 16)};
  }
};

// Read as local time, as the FAT engine reads its entries (the 10-ms and UTC-offset fields are not used);
// 0 when the C library refuses the calendar value.
std::uint64_t DosTime2FileTime(const _tagDOSTime& time);
