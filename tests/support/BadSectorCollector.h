#pragma once
// Collects the bad-sector ranges the message centre delivers, up to a marker pushed after them: delivery keeps
// push order, so once the marker is in, every range pushed before it is too. Registered under `receiverId` for
// its lifetime; the centre is reset (one-millisecond pacing) when it starts and again when it ends.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "Utility/MessageCenter.h"

namespace quellsy::test {

class BadSectorCollector : public INotifyCenter {
 public:
  static constexpr auto kMarker = static_cast<EVENT_TYPE>(0x7E58);

  explicit BadSectorCollector(int receiverId = 9);
  ~BadSectorCollector() override;
  BadSectorCollector(const BadSectorCollector&) = delete;
  BadSectorCollector& operator=(const BadSectorCollector&) = delete;

  int Notify(_MSG_EVENT* event) override;
  // Every range delivered so far; a bad-sector event without a range shows as {~0, 0}.
  std::vector<BadSectorRange> RangesBeforeMarker();

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_marked = false;
  std::vector<BadSectorRange> m_ranges;
};

}  // namespace quellsy::test
