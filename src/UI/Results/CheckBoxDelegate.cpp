#include "UI/Results/CheckBoxDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "UI/Kit/NamedImages.h"
#include "UI/Results/CheckMarks.h"

namespace quellsy::ui {
namespace {

int MarkOf(const QModelIndex& index) {
  switch (index.data(Qt::CheckStateRole).toInt()) {
    case Qt::Checked: return 2;
    case Qt::PartiallyChecked: return 1;
    default: return 0;
  }
}

bool HasMark(const QModelIndex& index) { return index.data(Qt::CheckStateRole).isValid(); }

}  // namespace

QRect CheckBoxDelegate::BoxRect(const QRect& rect) {
  return QRect(rect.left() + kBoxMargin, rect.top() + (rect.height() - kBoxSide) / 2, kBoxSide, kBoxSide);
}

void CheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (!HasMark(index)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem rest(option);
  initStyleOption(&rest, index);
  rest.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  rest.rect.setLeft(option.rect.left() + kBoxSide + 2 * kBoxMargin);
  // The row's background, then the box, then icon and text beside it.
  QStyleOptionViewItem background(option);
  background.text.clear();
  background.icon = QIcon();
  background.features = QStyleOptionViewItem::None;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
  const QRect box = BoxRect(option.rect);
  painter->drawPixmap(box, NamedImages::Pixmap(CheckImageName(MarkOf(index)), box.size()));
  style->drawControl(QStyle::CE_ItemViewItem, &rest, painter, widget);
}

QSize CheckBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  if (HasMark(index)) size.setWidth(size.width() + kBoxSide + 2 * kBoxMargin);
  return size;
}

bool CheckBoxDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
  if (!HasMark(index)) return QStyledItemDelegate::editorEvent(event, model, option, index);
  const auto type = event->type();
  if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton || !BoxRect(option.rect).contains(mouse->position().toPoint())) return false;
  if (type == QEvent::MouseButtonRelease) emit checkClicked(index);
  return true;
}

}  // namespace quellsy::ui
