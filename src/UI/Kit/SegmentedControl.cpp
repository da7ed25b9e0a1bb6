#include "UI/Kit/SegmentedControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "UI/Kit/NamedImages.h"

namespace quellsy::ui {
namespace {

const QColor kBorder(0xc9, 0xd0, 0xd9);
const QColor kSelected(0xe8, 0xf0, 0xfe);
const QColor kSelectedBorder(0x35, 0x82, 0xf8);
constexpr qreal kRadius = 5;

}  // namespace

SegmentedControl::SegmentedControl(const QStringList& images, const QStringList& labels, QWidget* parent)
    : QWidget(parent), images_(images), labels_(labels) {
  setFocusPolicy(Qt::NoFocus);
}

void SegmentedControl::setSelectedSegment(int segment) {
  if (segment < 0 || segment >= segmentCount() || segment == selected_) return;
  selected_ = segment;
  update();
}

QRect SegmentedControl::segmentRect(int segment) const {
  const int count = qMax(1, segmentCount());
  const int left = width() * segment / count;
  const int right = width() * (segment + 1) / count;
  return QRect(left, 0, right - left, height());
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  for (int segment = 0; segment < segmentCount(); ++segment) {
    if (!segmentRect(segment).contains(event->position().toPoint())) continue;
    setSelectedSegment(segment);
    emit segmentSelected(segment);
    return;
  }
}

void SegmentedControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.45);
  const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath shape;
  shape.addRoundedRect(outline, kRadius, kRadius);
  painter.fillPath(shape, Qt::white);
  painter.save();
  painter.setClipPath(shape);
  painter.fillRect(segmentRect(selected_), kSelected);
  painter.restore();
  painter.setPen(QPen(kBorder, 1));
  for (int segment = 1; segment < segmentCount(); ++segment) {
    const qreal x = segmentRect(segment).left() + 0.5;
    painter.drawLine(QPointF(x, outline.top()), QPointF(x, outline.bottom()));
  }
  painter.drawPath(shape);
  for (int segment = 0; segment < segmentCount(); ++segment) {
    const QRect box = segmentRect(segment);
    const QSize natural = NamedImages::NaturalSize(images_[segment]);
    const QPixmap image = NamedImages::Pixmap(images_[segment]);
    painter.drawPixmap(QRect(box.center() - QPoint(natural.width() / 2, natural.height() / 2) + QPoint(1, 1), natural),
                       image);
  }
  if (selected_ >= 0 && selected_ < segmentCount()) {
    QPainterPath selectedShape;
    selectedShape.addRoundedRect(QRectF(segmentRect(selected_)).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    painter.setPen(QPen(kSelectedBorder, 1));
    painter.drawPath(selectedShape.intersected(shape));
  }
}

}  // namespace quellsy::ui
