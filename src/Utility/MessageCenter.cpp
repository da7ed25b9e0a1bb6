#include "Utility/MessageCenter.h"

CMessageCenter& CMessageCenter::Instance() {
  static CMessageCenter instance;
  return instance;
}

CMessageCenter::CMessageCenter() { StartReceiveMessage(); }

CMessageCenter::~CMessageCenter() {
  StopReceiveMessage();
  Clear();
  std::lock_guard guard(lock_);
  receivers_.clear();
}

bool CMessageCenter::RegisterNotifyCenter(int id, INotifyCenter* receiver) {
  if (!receiver) return false;
  std::lock_guard guard(lock_);
  return receivers_.emplace(id, receiver).second;
}

void CMessageCenter::UnregisterNotifyCenter(int id) {
  std::lock_guard guard(lock_);
  receivers_.erase(id);
}

INotifyCenter* CMessageCenter::GetNotifyCenter(int id) {
  std::lock_guard guard(lock_);
  const auto found = receivers_.find(id);
  return found == receivers_.end() ? nullptr : found->second;
}

void CMessageCenter::UpdateNotifyCenter(int id, INotifyCenter* receiver) {
  std::lock_guard guard(lock_);
  const auto found = receivers_.find(id);
  if (found != receivers_.end())
    found->second = receiver;
  else if (receiver)
    receivers_.emplace(id, receiver);
}

void CMessageCenter::PushEvent(EVENT_TYPE type, int length, const void* payload) {
  if (length < 0 || (length > 0 && !payload)) length = 0;
  std::lock_guard guard(lock_);
  if (!accepting_) return;
  const auto* bytes = static_cast<const unsigned char*>(payload);
  queue_.push_back(new _MSG_EVENT{type, length, std::vector<unsigned char>(bytes, bytes + length)});
}

_MSG_EVENT* CMessageCenter::PopEvent() {
  std::lock_guard guard(lock_);
  if (queue_.empty()) return nullptr;
  current_ = queue_.front();
  queue_.pop_front();
  return current_;
}

void CMessageCenter::SendEvent(_MSG_EVENT* event) {
  if (!event) return;
  std::lock_guard guard(lock_);
  for (const auto& [id, receiver] : receivers_)
    if (receiver) receiver->Notify(event);
  delete event;
  current_ = nullptr;
}

void CMessageCenter::Clear() {
  std::lock_guard guard(lock_);
  for (_MSG_EVENT* event : queue_) delete event;
  queue_.clear();
}

void CMessageCenter::StartReceiveMessage() {
  std::lock_guard control(controlLock_);
  stop_ = false;
  if (dispatcher_.joinable()) return;
  Clear();
  {
    std::lock_guard guard(lock_);
    accepting_ = true;
  }
  dispatcher_ = std::thread([this] { DispatchLoop(); });
}

void CMessageCenter::StopReceiveMessage() {
  std::lock_guard control(controlLock_);
  {
    std::lock_guard guard(lock_);
    accepting_ = false;
  }
  {
    std::lock_guard sleeping(sleepLock_);
    stop_ = true;
  }
  sleepWake_.notify_all();
  if (dispatcher_.joinable()) dispatcher_.join();
}

void CMessageCenter::DispatchLoop() {
  while (!stop_) {
    SendEvent(PopEvent());
    std::unique_lock sleeping(sleepLock_);
    sleepWake_.wait_for(sleeping, std::chrono::milliseconds(intervalMs_.load()), [this] { return stop_.load(); });
  }
  Clear();
}

void CMessageCenter::SetDispatchInterval(std::chrono::milliseconds interval) { intervalMs_ = interval.count(); }

void CMessageCenter::ResetForTesting() {
  StopReceiveMessage();
  {
    std::lock_guard guard(lock_);
    receivers_.clear();
  }
  SetDispatchInterval(kDispatchInterval);
  StartReceiveMessage();
}
