#include "UI/Kit/TitlebarLayout.h"

#include <cmath>

namespace quellsy::ui {

QRectF TitleBarContainerFrame(const QRectF& windowBounds, double titleBarHeight) {
  return QRectF(0, windowBounds.bottom() - titleBarHeight, windowBounds.width(), titleBarHeight);
}

std::array<QRectF, 3> TrafficLightFrames(const QRectF& container, const std::array<QRectF, 3>& current,
                                         const TrafficLightRules& rules) {
  auto [close, minimize, zoom] = current;
  // In these frames y grows upwards, so a QRectF's "bottom" is the frame's top edge (maxY).
  const double midY = container.y() + container.height() / 2;
  const double maxY = container.y() + container.height();
  if (!rules.vertical) {
    const double y = rules.centered ? std::round(midY - close.height() / 2) : maxY - close.height() - rules.topMargin;
    close.moveTo(rules.leftMargin, y + rules.moveUp);
    minimize.moveTo(close.x() + close.width() + rules.separation, y + rules.moveUp);
    zoom.moveTo(minimize.x() + minimize.width() + rules.separation, y + rules.moveUp);
    return {close, minimize, zoom};
  }
  const double gap = rules.separation - 2;
  const double column = close.height() + minimize.height() + zoom.height() + 2 * gap;
  const double y = rules.centered ? std::round(midY - column / 2) : maxY - column - rules.topMargin;
  zoom.moveTo(rules.leftMargin, y);
  minimize.moveTo(rules.leftMargin, zoom.y() + zoom.height() + gap);
  close.moveTo(rules.leftMargin, minimize.y() + minimize.height() + gap);
  return {close, minimize, zoom};
}

QRectF FullScreenButtonFrame(const QRectF& container, const QRectF& current, double rightMargin, bool centered,
                             double topMargin) {
  QRectF frame = current;
  const double y = centered ? std::round(container.y() + container.height() / 2 - current.height() / 2)
                            : container.y() + container.height() - current.height() - topMargin;
  frame.moveTo(container.width() - current.width() - rightMargin, y);
  return frame;
}

QRectF ContentFrameBelowTitleBar(const QRectF& windowBounds, const QRectF& content, double titleBarHeight) {
  return QRectF(content.x(), content.y(), content.width(),
                content.height() - (titleBarHeight - (windowBounds.height() - content.height())));
}

QRectF SheetFrameUnderTitleBar(const QRectF& proposed, double windowHeight, double titleBarHeight) {
  QRectF frame = proposed;
  frame.moveTop(windowHeight - titleBarHeight);
  return frame;
}

QPainterPath createClippingPathWithRectAndRadius(const QRectF& rect, double radius) {
  QPainterPath path;
  path.moveTo(rect.left(), rect.bottom());
  path.lineTo(rect.left(), rect.top() + radius);
  path.arcTo(QRectF(rect.left(), rect.top(), 2 * radius, 2 * radius), 180, -90);
  path.lineTo(rect.right() - radius, rect.top());
  path.arcTo(QRectF(rect.right() - 2 * radius, rect.top(), 2 * radius, 2 * radius), 90, -90);
  path.lineTo(rect.right(), rect.bottom());
  path.closeSubpath();
  return path;
}

}  // namespace quellsy::ui
