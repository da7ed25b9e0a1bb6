#pragma once
// Draws the check mark of a row of the result trees and the file table with the window's own images and turns
// a click on it into a request to toggle that row's mark; the model decides (and refuses during a scan).

#include <QModelIndex>
#include <QStyledItemDelegate>

namespace quellsy::ui {

class CheckBoxDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  static constexpr int kBoxSide = 14;
  static constexpr int kBoxMargin = 4;

  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  // Where the box of a row drawn in rect lies.
  static QRect BoxRect(const QRect& rect);

 signals:
  void checkClicked(const QModelIndex& index);
};

}  // namespace quellsy::ui
