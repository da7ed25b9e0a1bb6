#pragma once
// The one way from the bridge's threads to the windows. The shell implements it: Post returns at once, and the
// GUI thread later hands the notification to NotificationCenter::Default().Post.

#include "Bridge/Notification.h"

namespace quellsy::bridge {

class IMainThreadPoster {
 public:
  virtual ~IMainThreadPoster() = default;
  // Called from any thread; never waits for the GUI thread.
  virtual void Post(Notification notification) = 0;
};

}  // namespace quellsy::bridge
