#include "RecordingPoster.h"

#include "Bridge/BackgroundTasks.h"
#include "Bridge/BridgeServices.h"
#include "Bridge/NotificationCenter.h"

namespace quellsy::test {

void RecordingPoster::Post(bridge::Notification notification) {
  std::lock_guard guard(m_lock);
  m_recorded.push_back({std::move(notification), std::this_thread::get_id()});
  m_posted.notify_all();
}

std::vector<RecordingPoster::Posted> RecordingPoster::Recorded() const {
  std::lock_guard guard(m_lock);
  return m_recorded;
}

std::vector<std::string> RecordingPoster::Names() const {
  std::lock_guard guard(m_lock);
  std::vector<std::string> names;
  for (const Posted& p : m_recorded) names.push_back(p.notification.name);
  return names;
}

bool RecordingPoster::WaitForCount(std::size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(m_lock);
  return m_posted.wait_for(lock, limit, [&] { return m_recorded.size() >= count; });
}

std::size_t RecordingPoster::DeliverAll() {
  std::vector<bridge::Notification> pending;
  {
    std::lock_guard guard(m_lock);
    for (; m_delivered < m_recorded.size(); ++m_delivered) pending.push_back(m_recorded[m_delivered].notification);
  }
  for (const bridge::Notification& n : pending) bridge::NotificationCenter::Default().Post(n);
  return pending.size();
}

ScopedRecordingPoster::ScopedRecordingPoster() {
  bridge::ResetBridgeServicesForTesting();
  bridge::NotificationCenter::Default().RemoveAllObservers();
  bridge::SetMainThreadPoster(&m_poster);
}

ScopedRecordingPoster::~ScopedRecordingPoster() {
  // Nothing may post into this poster once it is gone.
  bridge::BackgroundTasks::Instance().WaitForAll();
  bridge::ResetBridgeServicesForTesting();
  bridge::NotificationCenter::Default().RemoveAllObservers();
}

}  // namespace quellsy::test
