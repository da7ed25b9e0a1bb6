#include "FATLib/FATDosTime.h"

#include <ctime>

#include "Utility/TimeUtil.h"

namespace quellsy {

std::uint64_t DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time) {
  std::tm calendar{};
  calendar.tm_sec = (time & 0x1F) * 2;
  calendar.tm_min = (time >> 5) & 0x3F;
  calendar.tm_hour = time >> 11;
  calendar.tm_mday = date & 0x1F;
  calendar.tm_mon = ((date >> 5) & 0x0F) - 1;
  calendar.tm_year = (date >> 9) + 80;
  calendar.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&calendar);
  if (seconds == static_cast<std::time_t>(-1)) return 0;
  return UnixSecondsToFileTime(static_cast<std::int64_t>(seconds));
}

}  // namespace quellsy
