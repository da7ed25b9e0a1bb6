#include "UI/Kit/RVTCustemButton.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "UI/Kit/Colors.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {
namespace {

constexpr QRectF kIconFrame(10, 10, 350, 50);
constexpr QRectF kTitleFrame(52, 10, 338, 20);
constexpr QRectF kNodeFrame(52, 34, 338, 30);
constexpr QSize kHoverSize(400, 72);

}  // namespace

RVTCustemButton::RVTCustemButton(QWidget* parent) : QAbstractButton(parent) {
  setText(QStringLiteral(" "));
  setFocusPolicy(Qt::NoFocus);
  iconImageView_ = new QLabel(this);
  iconImageView_->setObjectName(QStringLiteral("tileIcon"));
  iconImageView_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  iconImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
  PlaceView(iconImageView_, kIconFrame, 0, FrameOrigin::kTopLeft);
}

void RVTCustemButton::setIconImage(const QString& icon, const QString& hoverIcon) {
  iconImage_ = NamedImages::Image(icon, QSize(), devicePixelRatioF());
  iconHoverImage_ = NamedImages::Image(hoverIcon, QSize(), devicePixelRatioF());
  ShowIcon(iconHoverImage_);
}

QLabel* RVTCustemButton::MakeText(const QString& text, const QRectF& frame, qreal size, const QColor& colour,
                                  const char* name) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QLatin1String(name));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(frame.height() > 24);
  label->setForegroundRole(QPalette::WindowText);  // not the button's text role it would inherit
  label->setFont(NamedFont(QStringLiteral("Helvetica Light"), size));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  PlaceView(label, frame, 0, FrameOrigin::kTopLeft);
  label->show();
  return label;
}

void RVTCustemButton::setTitleStr(const QString& title, const QString& node) {
  titleTextField_ = MakeText(title, kTitleFrame, 16, DeviceRgb(34, 34, 34), "tileTitle");
  nodeTextField_ = MakeText(node, kNodeFrame, 12, DeviceRgb(102, 102, 102), "tileDescription");
  if (accessibleName().isEmpty()) setAccessibleName(title);
  setHoverBgImage();
}

void RVTCustemButton::setHoverBgImage() {
  normalImage_ = QImage();
  hoverImage_ = NamedImages::Image(QStringLiteral("hover_bg"), kHoverSize, devicePixelRatioF());
  dstRect_ = QRectF(QPointF(0, 0), QSizeF(kHoverSize));
  srcRect_ = dstRect_;
  tracksHover_ = true;
  update();
}

void RVTCustemButton::setButtonEnabled(bool active) {
  isDisabled_ = active;
  repaint();
}

void RVTCustemButton::changeButtonStart(bool selected) {
  isSelected_ = selected;
  ShowIcon(selected ? iconHoverImage_ : iconImage_);
  update();
}

void RVTCustemButton::ShowIcon(const QImage& icon) {
  iconImageView_->setPixmap(icon.isNull() ? QPixmap() : QPixmap::fromImage(icon));
}

void RVTCustemButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  QImage image;
  if (isEnabled() && isDisabled_)
    image = isFocus_ ? hoverImage_ : normalImage_;
  else
    image = disableImage_;
  if (image.isNull()) return;
  const qreal ratio = image.devicePixelRatio();
  painter.drawImage(dstRect_, image, QRectF(srcRect_.topLeft() * ratio, srcRect_.size() * ratio));
}

void RVTCustemButton::mousePressEvent(QMouseEvent* event) {
  if (!isDisabled_) {
    event->accept();
    return;
  }
  isSelected_ = !isSelected_;
  ShowIcon(isSelected_ ? iconHoverImage_ : iconImage_);
  QAbstractButton::mousePressEvent(event);
  repaint();
}

void RVTCustemButton::enterEvent(QEnterEvent* event) {
  if (tracksHover_ && isEnabled()) {
    isFocus_ = true;
    repaint();
  }
  QAbstractButton::enterEvent(event);
}

void RVTCustemButton::leaveEvent(QEvent* event) {
  if (tracksHover_) {
    isFocus_ = false;
    repaint();
  }
  QAbstractButton::leaveEvent(event);
}

}  // namespace quellsy::ui
