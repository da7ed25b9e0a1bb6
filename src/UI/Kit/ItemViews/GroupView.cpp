#include "UI/Kit/ItemViews/GroupView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace quellsy::ui {

GroupView::GroupView(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("groupView")); }

QRectF GroupView::OutlineRect(QSizeF size) {
  const QRectF outline(18, 35, size.width() - 36, size.height() - 53);
  return outline.adjusted(0.5, 0.5, -0.5, -0.5);
}

void GroupView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath outline;
  outline.addRoundedRect(OutlineRect(size()), 2, 2);
  painter.strokePath(outline, QPen(QColor(0, 0, 0, 38), 1.0));
}

}  // namespace quellsy::ui
