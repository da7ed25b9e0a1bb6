#include "Bridge/MediaNotifier.h"

#include <mutex>
#include <thread>

#include "Bridge/BridgeServices.h"

namespace quellsy::bridge {
namespace {

using platform::MediaEvent;

struct Listener {
  std::unique_ptr<platform::IMediaEventSource> source;
  std::thread thread;
};

std::mutex listenerLock;
Listener listener;

void PostAll(const std::vector<MediaEvent>& events) {
  if (auto attach = AttachNotification(events)) PostOnMainThread(std::move(*attach));
  for (auto& detach : DetachNotifications(events)) PostOnMainThread(std::move(detach));
}

void Listen(platform::IMediaEventSource* source) {
  for (auto events = source->Wait(); !events.empty(); events = source->Wait()) PostAll(events);
}

}  // namespace

std::optional<Notification> AttachNotification(const std::vector<MediaEvent>& events) {
  Notification notification{kAttachNotification, {}, {}};
  for (const auto& event : events) {
    if (event.action != MediaEvent::Action::kAdd || event.devNode.empty()) continue;
    notification.items.push_back({{"VolumePath", event.devNode},
                                  {"VolumeName", event.name},
                                  {"VolumeSize", std::to_string(event.sizeBytes)},
                                  {"isDisk", event.whole ? "1" : "0"}});
  }
  if (notification.items.empty()) return std::nullopt;
  return notification;
}

std::vector<Notification> DetachNotifications(const std::vector<MediaEvent>& events) {
  std::vector<Notification> out;
  for (const auto& event : events)
    if (event.action == MediaEvent::Action::kRemove && !event.devNode.empty())
      out.push_back({kDetachNotification, {{"USBPath", event.devNode}}, {}});
  return out;
}

bool USBNotifier_init(std::unique_ptr<platform::IMediaEventSource> source) {
  USBNotifier_dealloc();
  if (!source) source = platform::CreateUdevMediaSource();
  if (!source) return false;
  // Media already present are no news unless asked for.
  if (Settings().GetBool(kShowExistingKey)) PostAll(source->Existing());
  std::lock_guard lock(listenerLock);
  listener.source = std::move(source);
  listener.thread = std::thread(Listen, listener.source.get());
  return true;
}

void USBNotifier_dealloc() {
  Listener stopping;
  {
    std::lock_guard lock(listenerLock);
    stopping = std::move(listener);
    listener = Listener{};
  }
  if (stopping.source) stopping.source->Stop();
  if (stopping.thread.joinable()) stopping.thread.join();
}

}  // namespace quellsy::bridge
