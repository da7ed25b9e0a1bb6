#include "UI/Kit/Grid/CNSelectionFrameView.h"

#include <QPainter>
#include <cmath>

#include "UI/Kit/Texts.h"

namespace quellsy::ui {

CNSelectionFrameView::CNSelectionFrameView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("gridSelectionFrame"));
  setAccessibleName(Text("KIT_GRID_SELECTION_FRAME"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CNSelectionFrameView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF frame(0.5, 0.5, std::floor(width()) - 1, std::floor(height()) - 1);
  painter.fillRect(frame, QColor::fromRgbF(0, 0, 0, 0.15f));
  painter.setPen(QPen(Qt::white, 1.0));
  painter.drawRect(frame);
}

}  // namespace quellsy::ui
