#include "UI/Shell/KDCustomOutlineView.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "UI/Kit/Colors.h"

namespace quellsy::ui {
namespace {

// Cells drawn on the row's own background: no selection or hover highlight of the style's.
class PlainRowCell final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem plain = option;
    plain.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus);
    QStyledItemDelegate::paint(painter, plain, index);
  }
};

}  // namespace

KDCustomOutlineView::KDCustomOutlineView(QWidget* parent) : QTreeView(parent) {
  setItemDelegate(new PlainRowCell(this));
  setAllColumnsShowFocus(true);
  setUniformRowHeights(true);
  // The chosen row's colour is this view's own (drawRow); the style's highlight stays out of the way.
  QPalette colours = palette();
  colours.setColor(QPalette::Highlight, Qt::transparent);
  colours.setColor(QPalette::Base, Qt::white);
  setPalette(colours);
}

void KDCustomOutlineView::setSelectCellBackgroundColorWithRow(int row) {
  isSelectRow_ = row;
  viewport()->update();
}

void KDCustomOutlineView::setIsRootArr(const QStringList& rows) {
  isRootArr_ = rows;
  viewport()->update();
}

int KDCustomOutlineView::RowOfIndex(const QModelIndex& index) const {
  if (!index.isValid() || !model()) return -1;
  const QModelIndex target = index.siblingAtColumn(0);
  int row = 0;
  for (QModelIndex at = model()->index(0, 0); at.isValid(); at = indexBelow(at), ++row)
    if (at == target) return row;
  return -1;
}

QModelIndex KDCustomOutlineView::IndexOfRow(int row) const {
  if (row < 0 || !model()) return {};
  QModelIndex at = model()->index(0, 0);
  for (int i = 0; i < row && at.isValid(); ++i) at = indexBelow(at);
  return at;
}

QColor KDCustomOutlineView::RowBackground(int row) const {
  if (row >= 0 && row == isSelectRow_) return DeviceRgb(59, 153, 252);
  if (isRootArr_.contains(QString::number(row))) return DeviceRgb(242, 242, 242);
  return Qt::white;
}

void KDCustomOutlineView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  const QRect whole(0, option.rect.y(), viewport()->width(), option.rect.height());
  painter->fillRect(whole, RowBackground(RowOfIndex(index)));
  QTreeView::drawRow(painter, option, index);
}

}  // namespace quellsy::ui
