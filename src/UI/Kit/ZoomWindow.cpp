#include "UI/Kit/ZoomWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPropertyAnimation>
#include <algorithm>
#include <cstdlib>

namespace quellsy::ui {

ZoomWindow::ZoomWindow(const QRect& rect)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), snapshot_(new QLabel(this)) {
  setObjectName(QStringLiteral("zoomWindow"));
  setAccessibleName(QStringLiteral("zoom"));
  setAttribute(Qt::WA_TranslucentBackground);
  setGeometry(rect);
  snapshot_->setObjectName(QStringLiteral("zoomSnapshot"));
  snapshot_->setAccessibleName(QStringLiteral("snapshot"));
  snapshot_->setScaledContents(true);
  snapshot_->setGeometry(QRect(QPoint(0, 0), rect.size()));
}

double ZoomWindow::animationResizeTime(const QRect& frame) const {
  double multiplier = static_cast<float>(animationTimeMultiplier_);
  if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) multiplier *= 10;
  const QRect now = geometry();
  const int largest = std::max({std::abs(frame.left() - now.left()), std::abs(frame.top() - now.top()),
                                std::abs(frame.right() - now.right()), std::abs(frame.bottom() - now.bottom())});
  return largest / 150.0 * kResizeSecondsPer150Points * multiplier;
}

std::unique_ptr<ZoomWindow> createZoomWindowWithRect(QWidget* window, const QRect& rect) {
  window->ensurePolished();
  const QPixmap still = window->grab();
  auto zoom = std::make_unique<ZoomWindow>(rect);
  zoom->setAnimationTimeMultiplier(0.3);
  zoom->setWindowFlag(Qt::WindowStaysOnTopHint, window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  zoom->setWindowFlag(Qt::NoDropShadowWindowHint, window->windowFlags().testFlag(Qt::NoDropShadowWindowHint));
  zoom->snapshotView()->setPixmap(still);
  zoom->snapshotView()->setGeometry(QRect(QPoint(0, 0), rect.size()));
  return zoom;
}

void fadeIn(QWidget* window, int milliseconds) {
  window->setWindowOpacity(0.0);
  window->show();
  window->raise();
  auto* animation = new QPropertyAnimation(window, "windowOpacity", window);
  animation->setDuration(milliseconds);
  animation->setStartValue(0.0);
  animation->setEndValue(1.0);
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace quellsy::ui
