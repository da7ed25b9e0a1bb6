#include "UI/Kit/Grid/CNGridViewItem.h"

#include <QPainter>
#include <QPainterPath>

#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {

CNGridViewItem::CNGridViewItem(const CNGridViewItemLayout* layout, const QString& reuseIdentifier, QWidget* parent)
    : CNGridViewItemBase(parent) {
  setReuseIdentifier(reuseIdentifier);
  if (layout) layout_ = *layout;
  itemButton_ = new CNGridCheckBox(this);
  itemButton_->setObjectName(QStringLiteral("gridItemCheckBox"));
  itemButton_->setAccessibleName(Text("KIT_GRID_CHECK_BOX"));
  itemButton_->setGeometry(16, 121, 13, 13);
  itemButton_->setFocusPolicy(Qt::NoFocus);
  itemButton_->setIconSize(QSize(13, 13));
  connect(itemButton_, &QAbstractButton::clicked, this, [this] { setItemSelectBoxClickAction(); });
  setCheckBoxImage(QStringLiteral("checkbox_no"));

  titleLabel_ = new QLabel(this);
  titleLabel_->setObjectName(QStringLiteral("gridItemTitle"));
  titleLabel_->setAccessibleName(Text("KIT_GRID_TILE"));
  titleLabel_->setGeometry(30, 118, 114, 20);
  QFont font = titleLabel_->font();
  font.setPointSizeF(11);
  titleLabel_->setFont(font);
  QPalette palette = titleLabel_->palette();
  palette.setColor(QPalette::WindowText, layout_.titleColor);
  titleLabel_->setPalette(palette);
  titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CNGridCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  icon().paint(&painter, rect());
}

void CNGridViewItem::setItemImage(const QImage& image) {
  itemImage_ = image;
  drawnImage_ = QPixmap();
  update();
}

void CNGridViewItem::setTitleText(const QString& text) {
  titleLabel_->setToolTip(text);
  titleLabel_->setAccessibleName(text);
  setAccessibleName(text);
  titleLabel_->setText(titleLabel_->fontMetrics().elidedText(text, Qt::ElideRight, titleLabel_->width()));
}

void CNGridViewItem::setCheckBoxImage(const QString& name) {
  checkBoxImage_ = name;
  itemButton_->setIcon(QIcon(NamedImages::Pixmap(name, QSize(13, 13))));
}

void CNGridViewItem::setCurrentLayout(const CNGridViewItemLayout& layout) {
  layout_ = layout;
  update();
}

void CNGridViewItem::updateImageViewWithImage(const QImage& image, const void* node) {
  if (node != node_ || image.width() <= 0 || image.height() <= 0) return;
  setItemImage(image);
}

QRectF CNGridViewItem::ImageRectForBounds(const QRectF& bounds, QSizeF imageSize) {
  QSizeF size = imageSize;
  if (size.width() > kMaxImageSide || size.height() > kMaxImageSide)
    size = size.scaled(kMaxImageSide, kMaxImageSide, Qt::KeepAspectRatio);
  const double x = ((bounds.width() - 5) - size.width()) / 2 + 5;
  const double y = ((bounds.height() - 5) - size.height()) / 2 - 5;
  return QRectF(bounds.x() + x, bounds.y() + y, size.width(), size.height());
}

void CNGridViewItem::setHovered(bool hovered) {
  CNGridViewItemBase::setHovered(hovered);
  update();
}

void CNGridViewItem::prepareForReuse() {
  CNGridViewItemBase::prepareForReuse();
  itemImage_ = QImage();
  drawnImage_ = QPixmap();
  itemTitle_.clear();
  node_ = nullptr;
  update();
}

void CNGridViewItem::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QRectF bounds = rect();
  const QRectF background(bounds.x() + 5, bounds.y() + 5, bounds.width() - 5, bounds.height() - 5);
  QPainterPath rounded;
  rounded.addRoundedRect(background.adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
  painter.fillPath(rounded, hovered() ? CNGridViewPalette::itemBackgroundHoverColor() : layout_.backgroundColor);
  if (selected()) painter.strokePath(rounded, QPen(layout_.selectionRingColor, layout_.selectionRingLineWidth));
  if (!itemImage_.isNull()) {
    const QRectF target = ImageRectForBounds(bounds, itemImage_.deviceIndependentSize());
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (target.size() * ratio).toSize();
    if (drawnImage_.size() != pixels) {
      drawnImage_ = QPixmap::fromImage(itemImage_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
      drawnImage_.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(target.topLeft(), drawnImage_);
  }
}

void CNGridViewItem::setItemSelectBoxClickAction() {
  if (delegate_ && delegate_->checksLocked()) return;
  setCheckBoxImage(checkState_ > 0 ? QStringLiteral("checkbox_no") : QStringLiteral("checkbox_yes"));
  checkState_ = checkState_ > 0 ? 0 : 2;
  if (delegate_) delegate_->doSelectItem(index());
}

}  // namespace quellsy::ui
