#include "UI/Results/CustomHeaderCell.h"

#include <QPainter>
#include <QPainterPath>

#include "UI/Kit/Fonts.h"

namespace quellsy::ui {
namespace {

const QColor kGround(250, 251, 252);
const QColor kLine(231, 233, 237);
const QColor kTitle(126, 143, 164);
const QColor kIndicator(126, 143, 164);
constexpr int kTriangleWidth = 8;
constexpr int kTriangleHeight = 7;
constexpr int kTriangleFromRight = 12;

}  // namespace

CustomHeaderCell::CustomHeaderCell(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setObjectName(QStringLiteral("fileTableHeader"));
  setAccessibleName(objectName());
  setFont(NamedFont(QStringLiteral("Helvetica"), 12));
  setFixedHeight(kHeight);
  setSectionsClickable(true);
  setHighlightSections(false);
  setSortIndicatorShown(false);
}

void CustomHeaderCell::setSortAscending(int column, bool ascending) {
  sortColumn_ = column;
  ascending_ = ascending;
  viewport()->update();
}

void CustomHeaderCell::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  painter->save();
  painter->fillRect(rect, kGround);
  painter->setPen(kLine);
  painter->drawLine(rect.topLeft(), rect.topRight());
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->setPen(kTitle);
  painter->setFont(font());
  const QString title = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString();
  painter->drawText(rect.adjusted(6, 0, -kTriangleFromRight - 4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                    fontMetrics().elidedText(title, Qt::ElideRight, rect.width() - kTriangleFromRight - 10));
  if (logicalIndex == sortColumn_) {
    painter->setRenderHint(QPainter::Antialiasing);
    const qreal left = rect.right() - kTriangleFromRight;
    const qreal middle = rect.center().y();
    QPainterPath triangle;
    if (ascending_) {
      triangle.moveTo(left, middle + kTriangleHeight / 2.0);
      triangle.lineTo(left + kTriangleWidth, middle + kTriangleHeight / 2.0);
      triangle.lineTo(left + kTriangleWidth / 2.0, middle - kTriangleHeight / 2.0);
    } else {
      triangle.moveTo(left, middle - kTriangleHeight / 2.0);
      triangle.lineTo(left + kTriangleWidth, middle - kTriangleHeight / 2.0);
      triangle.lineTo(left + kTriangleWidth / 2.0, middle + kTriangleHeight / 2.0);
    }
    triangle.closeSubpath();
    painter->fillPath(triangle, kIndicator);
  }
  painter->restore();
}

}  // namespace quellsy::ui
