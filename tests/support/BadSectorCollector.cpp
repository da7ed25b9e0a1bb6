#include "support/BadSectorCollector.h"

#include <chrono>

namespace quellsy::test {

BadSectorCollector::BadSectorCollector(int receiverId) {
  CMessageCenter::Instance().ResetForTesting();
  CMessageCenter::Instance().SetDispatchInterval(std::chrono::milliseconds(1));
  CMessageCenter::Instance().RegisterNotifyCenter(receiverId, this);
}

BadSectorCollector::~BadSectorCollector() { CMessageCenter::Instance().ResetForTesting(); }

int BadSectorCollector::Notify(_MSG_EVENT* event) {
  {
    std::lock_guard lock(m_lock);
    if (event->type == kMarker) m_marked = true;
    else if (const auto range = DecodeBadSectorRange(*event); range && !m_marked) m_ranges.push_back(*range);
    else if (event->type == EVENT_BAD_SECTOR && !m_marked) m_ranges.push_back({~0ULL, 0});  // no range
  }
  m_changed.notify_all();
  return 0;
}

std::vector<BadSectorRange> BadSectorCollector::RangesBeforeMarker() {
  CMessageCenter::Instance().PushEvent(kMarker, 0, nullptr);
  std::unique_lock lock(m_lock);
  m_changed.wait(lock, [this] { return m_marked; });
  return m_ranges;
}

}  // namespace quellsy::test
