#include "UI/Kit/ImageAndTextCell.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace quellsy::ui {

ImageAndTextCell::ImageAndTextCell(QObject* parent) : QStyledItemDelegate(parent) {}

QRectF ImageAndTextCell::imageFrameForCellFrame(const QRectF& frame, const QSizeF& iconSize) {
  if (iconSize.isEmpty()) return QRectF();
  return QRectF(frame.x() + kIconGap, frame.y() + std::ceil((frame.height() - iconSize.height()) / 2),
                iconSize.width(), iconSize.height());
}

QRectF ImageAndTextCell::DrawnIconRect(const QRectF& frame) {
  return QRectF(frame.x() + kIconGap, frame.y() - (kIconSide - 1) + std::ceil((frame.height() + kIconSide) / 2),
                kIconSide, kIconSide);
}

QRectF ImageAndTextCell::DrawnTextRect(const QRectF& frame, bool hasIcon) {
  if (!hasIcon) return frame;
  const qreal cut = std::min(frame.width(), kIconGap + kIconSide);
  return frame.adjusted(cut, 0, 0, 0);
}

QRectF ImageAndTextCell::EditTextRect(const QRectF& frame, qreal iconWidth) {
  const qreal cut = std::min(frame.width(), kIconGap + iconWidth);
  return frame.adjusted(cut, 0, 0, 0);
}

QImage ImageAndTextCell::IconOf(const QModelIndex& index) const {
  const QVariant value = index.data(Qt::DecorationRole);
  if (value.typeId() == QMetaType::QImage) return value.value<QImage>();
  if (value.typeId() == QMetaType::QPixmap) return value.value<QPixmap>().toImage();
  if (value.typeId() == QMetaType::QIcon) return value.value<QIcon>().pixmap(32, 32).toImage();
  return image_;
}

void ImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  QStyleOptionViewItem background = item;
  background.text.clear();
  background.icon = QIcon();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, view);

  const QImage icon = IconOf(index);
  const QRectF frame(option.rect);
  if (!icon.isNull()) {
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(DrawnIconRect(frame), icon);
    painter->restore();
  }
  DrawText(painter, item, index, DrawnTextRect(frame, !icon.isNull()));
}

void ImageAndTextCell::DrawText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex&,
                                const QRectF& rect) const {
  QStyleOptionViewItem text = option;
  text.rect = rect.toRect();
  text.icon = QIcon();
  text.features &= ~QStyleOptionViewItem::HasDecoration;
  text.showDecorationSelected = false;
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &text, painter, view);
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem plain = option;
  initStyleOption(&plain, index);
  plain.icon = QIcon();
  plain.features &= ~QStyleOptionViewItem::HasDecoration;
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  QSize size = style->sizeFromContents(QStyle::CT_ItemViewItem, &plain, QSize(), view);
  const QImage icon = IconOf(index);
  size.rwidth() += static_cast<int>(kIconGap) + (icon.isNull() ? 0 : static_cast<int>(icon.deviceIndependentSize().width()));
  return size;
}

void ImageAndTextCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  const QImage icon = IconOf(index);
  if (icon.isNull()) {
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    return;
  }
  // The editor takes the text's part of the cell, after the icon at its real width.
  editor->setGeometry(EditTextRect(QRectF(option.rect), icon.deviceIndependentSize().width()).toRect());
}

QRectF DetailTextAndImageCell::titleRectForBounds(const QRectF& bounds, qreal textHeight) {
  return QRectF(bounds.x(), bounds.y() - 0.5 + (bounds.height() - textHeight) / 2, bounds.width(), textHeight);
}

void DetailTextAndImageCell::DrawText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex&,
                                      const QRectF& rect) const {
  const QFontMetricsF metrics(option.font);
  const QRectF title = titleRectForBounds(rect, metrics.height());
  const bool selected = option.state & QStyle::State_Selected;
  painter->save();
  painter->setFont(option.font);
  QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
  if (option.backgroundBrush.style() == Qt::NoBrush && !selected && option.index.data(Qt::ForegroundRole).isValid())
    colour = option.index.data(Qt::ForegroundRole).value<QBrush>().color();
  painter->setPen(colour);
  // The text keeps the icon's gap from it.
  const QRectF text = title.adjusted(kIconGap, 0, 0, 0);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                    metrics.elidedText(option.text, option.textElideMode, text.width()));
  painter->restore();
}

}  // namespace quellsy::ui
