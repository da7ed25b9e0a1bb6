#include "UI/Kit/WindowResizeGrip.h"

#include <QMouseEvent>
#include <QWindow>
#include <algorithm>

namespace quellsy::ui {
namespace {

Qt::CursorShape CursorFor(Qt::Edges edges) {
  const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
  const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
  if (horizontal && vertical) {
    const bool falling = ((edges & Qt::LeftEdge) && (edges & Qt::TopEdge)) ||
                         ((edges & Qt::RightEdge) && (edges & Qt::BottomEdge));
    return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
  }
  return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

QString NameFor(Qt::Edges edges) {
  QString name = QStringLiteral("windowResize");
  if (edges & Qt::TopEdge) name += QStringLiteral("Top");
  if (edges & Qt::BottomEdge) name += QStringLiteral("Bottom");
  if (edges & Qt::LeftEdge) name += QStringLiteral("Left");
  if (edges & Qt::RightEdge) name += QStringLiteral("Right");
  return name;
}

}  // namespace

WindowResizeGrip::WindowResizeGrip(Qt::Edges edges, QWidget* window) : QWidget(window), edges_(edges) {
  setObjectName(NameFor(edges));
  setAccessibleName(objectName());
  setCursor(CursorFor(edges));
}

void WindowResizeGrip::Place() {
  const QWidget* window = parentWidget();
  const int w = window->width();
  const int h = window->height();
  const int t = kThickness;
  const int corner = 2 * t;
  const bool left = edges_ & Qt::LeftEdge;
  const bool right = edges_ & Qt::RightEdge;
  const bool top = edges_ & Qt::TopEdge;
  const bool bottom = edges_ & Qt::BottomEdge;
  QRect strip;
  if ((left || right) && (top || bottom))
    strip = QRect(left ? 0 : w - corner, top ? 0 : h - corner, corner, corner);
  else if (left || right)
    strip = QRect(left ? 0 : w - t, corner, t, h - 2 * corner);
  else
    strip = QRect(corner, top ? 0 : h - t, w - 2 * corner, t);
  setGeometry(strip);
  const bool resizable = window->minimumSize() != window->maximumSize() && !window->isFullScreen() &&
                         !window->isMaximized();
  setVisible(resizable);
  raise();
}

QRect WindowResizeGrip::ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum,
                                        QSize maximum) {
  int left = start.left();
  int top = start.top();
  int right = start.left() + start.width();
  int bottom = start.top() + start.height();
  if (edges & Qt::LeftEdge)
    left = std::clamp(left + delta.x(), right - maximum.width(), right - minimum.width());
  if (edges & Qt::RightEdge)
    right = std::clamp(right + delta.x(), left + minimum.width(), left + maximum.width());
  if (edges & Qt::TopEdge)
    top = std::clamp(top + delta.y(), bottom - maximum.height(), bottom - minimum.height());
  if (edges & Qt::BottomEdge)
    bottom = std::clamp(bottom + delta.y(), top + minimum.height(), top + maximum.height());
  return QRect(left, top, right - left, bottom - top);
}

void WindowResizeGrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  event->accept();
  QWindow* handle = window()->windowHandle();
  if (handle && handle->startSystemResize(edges_)) return;
  following_ = true;
  pressGlobal_ = event->globalPosition().toPoint();
  startGeometry_ = window()->geometry();
}

void WindowResizeGrip::mouseMoveEvent(QMouseEvent* event) {
  if (!following_) return QWidget::mouseMoveEvent(event);
  event->accept();
  QWidget* window = this->window();
  window->setGeometry(ResizedGeometry(startGeometry_, edges_, event->globalPosition().toPoint() - pressGlobal_,
                                      window->minimumSize(), window->maximumSize()));
}

void WindowResizeGrip::mouseReleaseEvent(QMouseEvent* event) {
  if (!following_) return QWidget::mouseReleaseEvent(event);
  event->accept();
  following_ = false;
}

}  // namespace quellsy::ui
