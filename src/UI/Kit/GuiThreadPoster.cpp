#include "UI/Kit/GuiThreadPoster.h"

#include <QMetaObject>

#include "Bridge/NotificationCenter.h"

namespace quellsy::ui {

GuiThreadPoster::GuiThreadPoster(QObject* parent) : QObject(parent) {}

void GuiThreadPoster::Post(bridge::Notification notification) {
  QMetaObject::invokeMethod(
      this, [notification = std::move(notification)] { bridge::NotificationCenter::Default().Post(notification); },
      Qt::QueuedConnection);
}

}  // namespace quellsy::ui
