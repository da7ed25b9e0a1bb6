#include "UI/Kit/TCImageButton.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "UI/Kit/Colors.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"

namespace quellsy::ui {
namespace {

// The image's own pixels for a rectangle in points.
QRectF PixelsOf(const QImage& image, const QRectF& points) {
  const qreal ratio = image.devicePixelRatio();
  return QRectF(points.topLeft() * ratio, points.size() * ratio);
}

}  // namespace

TCImageButton::TCImageButton(QWidget* parent) : QAbstractButton(parent) {
  // Image buttons are pointed at, never tabbed to: a key press could otherwise reach a button that is not usable.
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
}

void TCImageButton::setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                               const QString& disable) {
  const qreal ratio = devicePixelRatioF();
  normalImage_ = NamedImages::Image(normal, QSize(), ratio);
  activeImage_ = NamedImages::Image(active, QSize(), ratio);
  hoverImage_ = NamedImages::Image(hover, QSize(), ratio);
  disableImage_ = NamedImages::Image(disable, QSize(), ratio);
  dstRect_ = QRectF(QPointF(0, 0), normalImage_.deviceIndependentSize());
  srcRect_ = dstRect_;
  update();
}

void TCImageButton::setTextWithName(const QString& text, const QRectF& frame) {
  dstRect_ = QRectF(0, 0, frame.width() - 4.0, frame.height());
  textField_ = new QLabel(text, this);
  textField_->setObjectName(objectName().isEmpty() ? QStringLiteral("imageButtonLabel") : objectName() + "Label");
  textField_->setAlignment(Qt::AlignCenter);
  // A child takes its parent's foreground role unless told: a button's is the button text, not the label's.
  textField_->setForegroundRole(QPalette::WindowText);
  textField_->setFont(SystemFont(13));
  textField_->setAttribute(Qt::WA_TransparentForMouseEvents);
  textField_->setGeometry(QRect(0, -2, width(), height()));
  if (accessibleName().isEmpty()) setAccessibleName(text);
  UpdateLabelColour(isDisabled_ && isEnabled());
  textField_->show();
}

void TCImageButton::setButtonEnabled(bool usable) {
  isDisabled_ = usable;
  UpdateLabelColour(isDisabled_ && isEnabled());
  repaint();
}

void TCImageButton::setTitleColor(const QColor& color) {
  titleColor_ = color;
  UpdateLabelColour(isDisabled_ && isEnabled());
}

void TCImageButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) UpdateLabelColour(isDisabled_ && isEnabled());
  QAbstractButton::changeEvent(event);
}

void TCImageButton::setButtonClicked(bool selected) {
  isTracking_ = selected;
  repaint();
}

QSize TCImageButton::sizeHint() const {
  if (!normalImage_.isNull()) return normalImage_.deviceIndependentSize().toSize();
  return QAbstractButton::sizeHint().expandedTo(QSize(80, 24));
}

QImage TCImageButton::ImageToDraw() const {
  if (!(isEnabled() && isDisabled_)) return disableImage_;
  if (isTracking_ || isDown()) return activeImage_;
  return isFocus_ ? hoverImage_ : normalImage_;
}

void TCImageButton::UpdateLabelColour(bool usable) {
  if (!textField_) return;
  const QColor colour = usable ? titleColor_ : DeviceRgb(128, 135, 145);
  QPalette palette = textField_->palette();
  if (palette.color(QPalette::WindowText) == colour) return;
  palette.setColor(QPalette::WindowText, colour);
  textField_->setPalette(palette);
}

void TCImageButton::paintEvent(QPaintEvent*) {
  const bool usable = isEnabled() && isDisabled_;
  if (normalImage_.isNull()) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    if (isDown() || isTracking_) option.state |= QStyle::State_Sunken;
    if (!usable) option.state &= ~QStyle::State_Enabled;
    painter.drawControl(QStyle::CE_PushButton, option);
    return;
  }
  const QImage image = ImageToDraw();
  if (image.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(dstRect_, image, PixelsOf(image, srcRect_));
}

void TCImageButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  if (textField_) textField_->setGeometry(QRect(0, -2, width(), height()));
}

void TCImageButton::mousePressEvent(QMouseEvent* event) {
  if (!isDisabled_) {
    event->accept();  // not usable: the press goes nowhere, not even to the window below
    return;
  }
  // A press ends a kept selected look; the pressed look lasts while the button is held down.
  isTracking_ = false;
  QAbstractButton::mousePressEvent(event);
  repaint();
}

void TCImageButton::mouseReleaseEvent(QMouseEvent* event) {
  QAbstractButton::mouseReleaseEvent(event);
  repaint();
}

void TCImageButton::keyPressEvent(QKeyEvent* event) {
  if (!isDisabled_) {
    event->ignore();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void TCImageButton::enterEvent(QEnterEvent* event) {
  if (isEnabled()) {
    isFocus_ = true;
    repaint();
  }
  QAbstractButton::enterEvent(event);
}

void TCImageButton::leaveEvent(QEvent* event) {
  isFocus_ = false;
  repaint();
  QAbstractButton::leaveEvent(event);
}

}  // namespace quellsy::ui
