#include "Bridge/CMyNotifyCenter.h"

#include <algorithm>

CMyNotifyCenter* CMyNotifyCenter::Instance() {
  static auto* center = new CMyNotifyCenter();
  return center;
}

int CMyNotifyCenter::GetType() const {
  std::lock_guard guard(m_CriticalSection);
  return m_type;
}

void CMyNotifyCenter::SetType(int type) {
  std::lock_guard guard(m_CriticalSection);
  m_type = type;
}

void CMyNotifyCenter::AddObserver(INotifyObserver* observer) {
  std::lock_guard guard(m_CriticalSection);
  m_observers.push_back(observer);
}

void CMyNotifyCenter::RemoveObserver(INotifyObserver* observer) {
  std::lock_guard guard(m_CriticalSection);
  const auto it = std::find(m_observers.begin(), m_observers.end(), observer);
  if (it != m_observers.end()) m_observers.erase(it);
}

int CMyNotifyCenter::ObserverCount() const {
  std::lock_guard guard(m_CriticalSection);
  return static_cast<int>(m_observers.size());
}

int CMyNotifyCenter::Notify(_MSG_EVENT* event) {
  if (!event) return 0;
  m_payload.clear();
  // The length field is not trusted past the bytes the event really carries.
  const std::size_t length =
      event->length > 0 ? std::min(static_cast<std::size_t>(event->length), event->payload.size()) : 0;
  m_payload.assign(event->payload.begin(), event->payload.begin() + static_cast<std::ptrdiff_t>(length));
  m_payload.shrink_to_fit();
  NotifyObserver(event->type);
  return 1;
}

void CMyNotifyCenter::NotifyObserver(int kind) {
  void* payload = m_payload.empty() ? nullptr : m_payload.data();
  std::lock_guard guard(m_CriticalSection);
  for (INotifyObserver* observer : m_observers)
    if (observer) observer->Notify(kind, payload);
}
