#include "Bridge/NotificationCenter.h"

#include <algorithm>

namespace quellsy::bridge {

NotificationCenter& NotificationCenter::Default() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::AddObserver(const void* owner, std::string name, Handler handler) {
  auto entry = std::make_shared<Entry>();
  entry->owner = owner;
  entry->name = std::move(name);
  entry->handler = std::move(handler);
  std::lock_guard guard(lock_);
  entries_.push_back(std::move(entry));
}

void NotificationCenter::RemoveObserver(const void* owner) {
  RemoveIf([owner](const Entry& e) { return e.owner == owner; });
}

void NotificationCenter::RemoveObserver(const void* owner, std::string_view name) {
  RemoveIf([owner, name](const Entry& e) { return e.owner == owner && e.name == name; });
}

void NotificationCenter::RemoveAllObservers() {
  RemoveIf([](const Entry&) { return true; });
}

void NotificationCenter::RemoveIf(const std::function<bool(const Entry&)>& match) {
  std::lock_guard guard(lock_);
  std::erase_if(entries_, [&match](const std::shared_ptr<Entry>& e) {
    if (!match(*e)) return false;
    e->removed = true;  // a Post that already took its snapshot skips it
    return true;
  });
}

void NotificationCenter::Post(const Notification& notification) {
  // Handlers run without the lock, so they may add, remove and post themselves.
  std::vector<std::shared_ptr<Entry>> matching;
  {
    std::lock_guard guard(lock_);
    for (const auto& e : entries_)
      if (e->name.empty() || e->name == notification.name) matching.push_back(e);
  }
  for (const auto& e : matching)
    if (!e->removed) e->handler(notification);
}

std::size_t NotificationCenter::ObserverCount() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

}  // namespace quellsy::bridge
