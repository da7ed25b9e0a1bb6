#pragma once
// The bridge's notifications delivered on the GUI thread: Post, from any thread, queues the delivery on this
// object's thread (the GUI thread it was made on) and returns at once; there the default notification centre
// hands the notification to its observers. Deliveries still queued when the poster goes are dropped.

#include <QObject>

#include "Bridge/IMainThreadPoster.h"

namespace quellsy::ui {

class GuiThreadPoster final : public QObject, public bridge::IMainThreadPoster {
  Q_OBJECT

 public:
  // Made on the GUI thread.
  explicit GuiThreadPoster(QObject* parent = nullptr);
  void Post(bridge::Notification notification) override;
};

}  // namespace quellsy::ui
