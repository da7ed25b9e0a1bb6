#pragma once
// What the bridge tells the windows: a name the windows observe, and a few named texts as payload
// ("USBPath" of a removed medium, for example). Copied by value between threads.

#include <map>
#include <string>

namespace quellsy::bridge {

using NotificationInfo = std::map<std::string, std::string>;

struct Notification {
  std::string name;
  NotificationInfo info;

  bool operator==(const Notification&) const = default;
};

}  // namespace quellsy::bridge
