#pragma once
// Turns media arrival and removal into the notifications the windows observe: "RefreshAttachDevice" with one
// item per new medium (VolumePath, VolumeName, VolumeSize, isDisk; the name "" when it has none) and one
// "RefreshDetachDevice" per removed medium with its device node as "USBPath", so a scan of that device can be
// stopped.

#include <memory>
#include <optional>
#include <vector>

#include "Bridge/Notification.h"
#include "Platform/MediaEvents.h"

namespace quellsy::bridge {

constexpr const char* kAttachNotification = "RefreshAttachDevice";
constexpr const char* kDetachNotification = "RefreshDetachDevice";
// The setting under which media present at start-up are announced as arrivals too.
constexpr const char* kShowExistingKey = "ShowExisting";

// The arrivals among `events` as one notification; nullopt when none has a device node.
std::optional<Notification> AttachNotification(const std::vector<platform::MediaEvent>& events);
// One notification per removal with a device node.
std::vector<Notification> DetachNotifications(const std::vector<platform::MediaEvent>& events);

// Starts listening on `source` (null: udev) on a thread of its own; the notifications go through
// the main-thread poster. A second start replaces the first. False when no source is available.
bool USBNotifier_init(std::unique_ptr<platform::IMediaEventSource> source = nullptr);
// Stops listening and joins the thread; harmless when not started.
void USBNotifier_dealloc();

}  // namespace quellsy::bridge
