#pragma once
// The windows' side of the notifications: observers by name, called synchronously by Post on the posting
// thread (the GUI thread, for notifications that came through the main-thread poster).
// An observer removed while a Post runs - also by the handler itself - is not called again by that Post;
// one added meanwhile is called from the next Post on.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Bridge/Notification.h"

namespace quellsy::bridge {

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static NotificationCenter& Default();

  // An empty name observes every notification. owner only identifies the observer for removal.
  void AddObserver(const void* owner, std::string name, Handler handler);
  // Every observer of owner.
  void RemoveObserver(const void* owner);
  // owner's observers of that name.
  void RemoveObserver(const void* owner, std::string_view name);

  void Post(const Notification& notification);
  std::size_t ObserverCount() const;
  // No observers left (tests).
  void RemoveAllObservers();

 private:
  struct Entry {
    const void* owner;
    std::string name;
    Handler handler;
    std::atomic<bool> removed{false};
  };

  void RemoveIf(const std::function<bool(const Entry&)>& match);

  mutable std::mutex lock_;
  std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace quellsy::bridge
