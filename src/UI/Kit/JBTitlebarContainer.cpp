#include "UI/Kit/JBTitlebarContainer.h"

#include <QMouseEvent>
#include <QWindow>

namespace quellsy::ui {

JBTitlebarContainer::JBTitlebarContainer(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("titleBarContainer"));
  setAccessibleName(QStringLiteral("title bar"));
}

void JBTitlebarContainer::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  QWidget* window = this->window();
  QWindow* handle = window->windowHandle();
  if (handle && !window->isFullScreen() && handle->startSystemMove()) {
    lastMoveKind_ = MoveKind::kSystem;
    return;
  }
  lastMoveKind_ = MoveKind::kFollowed;
  following_ = !window->isFullScreen() && !window->isMaximized();
  pressGlobal_ = event->globalPosition().toPoint();
  startPosition_ = window->pos();
}

void JBTitlebarContainer::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (following_ && (event->buttons() & Qt::LeftButton))
    window()->move(startPosition_ + event->globalPosition().toPoint() - pressGlobal_);
}

void JBTitlebarContainer::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  following_ = false;
}

}  // namespace quellsy::ui
