#pragma once
// Observing the bridge's notifications from a window: the observation belongs to a QObject and ends with it,
// so a notification never reaches a window that is gone. Notifications arrive on the GUI thread
// (GuiThreadPoster); handlers run there.

#include <QObject>
#include <functional>
#include <string>

#include "Bridge/Notification.h"

namespace quellsy::ui {

using NotificationHandler = std::function<void(const bridge::Notification&)>;

// handler for every notification called name (every notification when name is empty) until owner is
// destroyed or stops observing.
void ObserveNotification(QObject* owner, const std::string& name, NotificationHandler handler);
// owner's observations of name; of every name when it is empty.
void StopObserving(QObject* owner, const std::string& name = std::string());

}  // namespace quellsy::ui
