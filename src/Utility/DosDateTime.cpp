#include "Utility/DosDateTime.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <unordered_map>

#include "Utility/TimeUtil.h"

namespace quellsy {
namespace {

// mktime looks the zone up again on every call (a stat of /etc/localtime when TZ is unset), which dominated
// the listing of large volumes. Entries share their date and hour far more often than not, so the local
// time of each hour's start is computed once per thread and zone; minutes and seconds are added to it.
class HourStartCache {
 public:
  // Local seconds at hh:00:00 of that DOS date, or -1 when mktime refuses it.
  std::time_t Get(std::uint16_t date, int hour) {
    const char* zone = std::getenv("TZ");
    if (zone == nullptr) zone = "";
    if (!valid_ || zone_ != zone) {
      starts_.clear();
      zone_ = zone;
      valid_ = true;
    }
    const std::uint32_t key = (std::uint32_t{date} << 5) | static_cast<std::uint32_t>(hour);
    const auto found = starts_.find(key);
    if (found != starts_.end()) return found->second;
    std::tm calendar{};
    calendar.tm_hour = hour;
    calendar.tm_mday = date & 0x1F;
    calendar.tm_mon = ((date >> 5) & 0x0F) - 1;
    calendar.tm_year = (date >> 9) + 80;
    calendar.tm_isdst = -1;
    const std::time_t start = std::mktime(&calendar);
    if (starts_.size() >= kMaxEntries) starts_.clear();
    starts_.emplace(key, start);
    return start;
  }

 private:
  static constexpr std::size_t kMaxEntries = 1 << 16;
  bool valid_ = false;
  std::string zone_;
  std::unordered_map<std::uint32_t, std::time_t> starts_;
};

}  // namespace

std::uint64_t DosDateTimeToFileTime(std::uint16_t date, std::uint16_t time) {
  thread_local HourStartCache cache;
  const std::time_t hourStart = cache.Get(date, time >> 11);
  if (hourStart == static_cast<std::time_t>(-1)) return 0;
  const std::time_t seconds = hourStart + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
  return UnixSecondsToFileTime(static_cast<std::int64_t>(seconds));
}

}  // namespace quellsy
