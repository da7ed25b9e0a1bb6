#include "UI/Kit/KDProgressView.h"

#include <QPainter>

#include "UI/Kit/Autoresize.h"
#include "UI/Kit/Colors.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {

NSProgressBar::NSProgressBar(QWidget* parent) : QWidget(parent) {}

void NSProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), DeviceRgb(53, 130, 248));
}

KDProgressView::KDProgressView(QWidget* parent) : QWidget(parent), fill_(new NSProgressBar(this)) {
  fill_->setObjectName(QStringLiteral("progressFill"));
  PlaceView(fill_, QRectF(0, 0, 0, kFillHeight), kWidthSizable | kMaxXMargin);
}

float KDProgressView::FillWidth(float percent, float trackWidth) {
  auto width = static_cast<float>(static_cast<double>(percent) / 100.0 * static_cast<double>(trackWidth));
  if (width > trackWidth - 1)
    width = trackWidth;
  else if (width < static_cast<float>(kMinimumFill))
    width = static_cast<float>(kMinimumFill);
  return width;
}

void KDProgressView::changeProgressValue(float percent) {
  const float width = FillWidth(percent, static_cast<float>(this->width()));
  PlaceView(fill_, QRectF(0, 0, width, kFillHeight), kWidthSizable | kMaxXMargin);
  fill_->update();
  update();
}

void KDProgressView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), DeviceRgb(194, 198, 204));
}

}  // namespace quellsy::ui
