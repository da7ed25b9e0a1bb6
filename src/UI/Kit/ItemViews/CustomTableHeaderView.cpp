#include "UI/Kit/ItemViews/CustomTableHeaderView.h"

#include <QPainter>
#include <QPainterPath>

namespace quellsy::ui {

CustomTableHeaderView::CustomTableHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
  setObjectName(QStringLiteral("customTableHeader"));
}

QRectF CustomTableHeaderView::FaceRect(const QRectF& frame) {
  return QRectF(frame.x(), frame.y(), frame.width(), std::max(0.0, frame.height() - 1));
}

void CustomTableHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  const QRectF frame(rect);
  const QRectF face = FaceRect(frame);
  painter->save();
  painter->fillRect(face, Qt::white);
  painter->setRenderHint(QPainter::Antialiasing);
  QPainterPath lines;
  lines.moveTo(face.right(), face.top());
  lines.lineTo(face.right(), face.bottom());
  lines.moveTo(frame.left(), frame.bottom());
  lines.lineTo(frame.right(), frame.bottom());
  lines.moveTo(face.left(), face.top());
  lines.lineTo(face.right(), face.top());
  painter->strokePath(lines, QPen(Qt::black, 0.3));
  const QVariant title = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole) : QVariant();
  painter->setPen(palette().color(QPalette::WindowText));
  painter->drawText(face.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, title.toString());
  painter->restore();
}

}  // namespace quellsy::ui
