#include "Utility/MessageCenter.h"

#include <algorithm>

#include "Utility/ByteReader.h"

namespace {

constexpr std::size_t kRangeBytes = 16;

// Inside a receiver on this thread: an unregistration there must not wait for its own delivery.
thread_local int deliveringHere = 0;

}  // namespace

std::vector<unsigned char> EncodeBadSectorRange(const BadSectorRange& range) {
  std::vector<unsigned char> bytes(kRangeBytes);
  quellsy::FieldWriter writer(bytes);
  writer.le64(0, range.first);
  writer.le64(8, range.count);
  return bytes;
}

std::optional<BadSectorRange> DecodeBadSectorRange(const _MSG_EVENT& event) {
  if (event.type != EVENT_BAD_SECTOR || event.payload.size() != kRangeBytes) return std::nullopt;
  quellsy::FieldReader reader(event.payload);
  return BadSectorRange{reader.le64(0), reader.le64(8)};
}

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
  std::unique_lock guard(lock_);
  receivers_.erase(id);
  if (deliveringHere == 0) delivered_.wait(guard, [this] { return deliveries_ == 0; });
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
  auto event = std::make_unique<_MSG_EVENT>(_MSG_EVENT{type, length, std::vector<unsigned char>(bytes, bytes + length)});
  if (const auto range = DecodeBadSectorRange(*event); range && MergeWaiting(*range)) return;
  if (queue_.size() >= kMaxQueuedEvents) {
    ++dropped_;
    return;
  }
  queue_.push_back(event.release());
}

bool CMessageCenter::MergeWaiting(const BadSectorRange& range) {
  // A failing disk reports runs of neighbouring sectors: the newest waiting events are the likeliest.
  for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
    const auto waiting = DecodeBadSectorRange(**it);
    if (!waiting) continue;
    const std::uint64_t waitingEnd = waiting->first + waiting->count;
    const std::uint64_t end = range.first + range.count;
    if (range.first > waitingEnd || waiting->first > end) continue;
    const std::uint64_t first = std::min(waiting->first, range.first);
    (*it)->payload = EncodeBadSectorRange({first, std::max(waitingEnd, end) - first});
    return true;
  }
  return false;
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
  std::vector<int> ids;
  {
    std::lock_guard guard(lock_);
    ++deliveries_;
    for (const auto& entry : receivers_) ids.push_back(entry.first);
  }
  // Each receiver is looked up again just before its call: one unregistered meanwhile is skipped.
  ++deliveringHere;
  for (const int id : ids) {
    INotifyCenter* receiver = nullptr;
    {
      std::lock_guard guard(lock_);
      const auto found = receivers_.find(id);
      if (found != receivers_.end()) receiver = found->second;
    }
    if (receiver) receiver->Notify(event);
  }
  --deliveringHere;
  delete event;
  {
    std::lock_guard guard(lock_);
    if (current_ == event) current_ = nullptr;
    --deliveries_;
  }
  delivered_.notify_all();
}

std::size_t CMessageCenter::QueuedEvents() {
  std::lock_guard guard(lock_);
  return queue_.size();
}

std::size_t CMessageCenter::DroppedEvents() {
  std::lock_guard guard(lock_);
  return dropped_;
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
    dropped_ = 0;
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
    const auto turn = std::chrono::steady_clock::now();
    sleeping_ = true;
    sleepWake_.notify_all();
    // The interval is read again on every wake, so a new pacing applies to the turn already waiting.
    while (!stop_) {
      const auto next = turn + std::chrono::milliseconds(intervalMs_.load());
      if (std::chrono::steady_clock::now() >= next) break;
      sleepWake_.wait_until(sleeping, next);
    }
    sleeping_ = false;
  }
  Clear();
}

void CMessageCenter::SetDispatchInterval(std::chrono::milliseconds interval) {
  {
    std::lock_guard sleeping(sleepLock_);
    intervalMs_ = interval.count();
  }
  sleepWake_.notify_all();
}

void CMessageCenter::WaitUntilDispatcherSleepsForTesting() {
  std::unique_lock sleeping(sleepLock_);
  sleepWake_.wait(sleeping, [this] { return sleeping_ || stop_.load(); });
}

void CMessageCenter::ResetForTesting() {
  StopReceiveMessage();
  {
    std::lock_guard guard(lock_);
    receivers_.clear();
  }
  SetDispatchInterval(kDispatchInterval);
  StartReceiveMessage();
}
