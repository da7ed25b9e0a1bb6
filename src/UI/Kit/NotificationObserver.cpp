#include "UI/Kit/NotificationObserver.h"

#include <QVariant>

#include "Bridge/NotificationCenter.h"

namespace quellsy::ui {
namespace {

constexpr const char* kWatched = "quellsyObservesNotifications";

}  // namespace

void ObserveNotification(QObject* owner, const std::string& name, NotificationHandler handler) {
  bridge::NotificationCenter::Default().AddObserver(owner, name, std::move(handler));
  if (owner->property(kWatched).toBool()) return;
  owner->setProperty(kWatched, true);
  // The owner's address is only compared, never followed, once it is being destroyed.
  const void* key = owner;
  QObject::connect(owner, &QObject::destroyed, [key] { bridge::NotificationCenter::Default().RemoveObserver(key); });
}

void StopObserving(QObject* owner, const std::string& name) {
  if (name.empty())
    bridge::NotificationCenter::Default().RemoveObserver(owner);
  else
    bridge::NotificationCenter::Default().RemoveObserver(owner, name);
}

}  // namespace quellsy::ui
