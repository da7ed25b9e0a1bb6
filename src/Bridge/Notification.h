#pragma once
// What the bridge tells the windows: a name the windows observe, and a few named texts as payload
// ("USBPath" of a removed medium, for example), or a list of such records (the media that arrived
// together). Copied by value between threads.

#include <map>
#include <string>
#include <vector>

namespace quellsy::bridge {

using NotificationInfo = std::map<std::string, std::string>;

struct Notification {
  std::string name;
  NotificationInfo info;
  std::vector<NotificationInfo> items;

  bool operator==(const Notification&) const = default;
};

}  // namespace quellsy::bridge
