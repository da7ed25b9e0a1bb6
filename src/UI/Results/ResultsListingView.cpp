#include "UI/Results/ResultsListingView.h"

#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

namespace quellsy::ui {

void ResultsListingView::previewOnSpaceBar(QWidget* widget) {
  watched_.push_back(widget);
  widget->installEventFilter(this);
}

bool ResultsListingView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
      std::find(watched_.begin(), watched_.end(), watched) != watched_.end()) {
    emit previewRequested();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quellsy::ui
