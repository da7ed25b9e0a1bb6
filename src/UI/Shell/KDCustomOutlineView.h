#pragma once
// The device page's outline: a tree of rows with a background of its own. The chosen row (isSelectRow) is
// filled with the selection blue, the rows listed in isRootArr (a disk's row, as decimal text of its row on
// screen) pale grey, every other row white; the view's own selection highlight is not drawn. Rows are counted
// from the top of the whole outline, expanded children included.

#include <QStringList>
#include <QTreeView>

namespace quellsy::ui {

class KDCustomOutlineView : public QTreeView {
  Q_OBJECT

 public:
  explicit KDCustomOutlineView(QWidget* parent = nullptr);

  int isSelectRow() const { return isSelectRow_; }
  void setSelectCellBackgroundColorWithRow(int row);
  const QStringList& isRootArr() const { return isRootArr_; }
  void setIsRootArr(const QStringList& rows);

  // The row of index counted from the top with every expanded level; -1 for an index not shown.
  int RowOfIndex(const QModelIndex& index) const;
  // The index in the first column of a row so counted; invalid past the end.
  QModelIndex IndexOfRow(int row) const;
  // The background a row is filled with.
  QColor RowBackground(int row) const;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int isSelectRow_ = -1;
  QStringList isRootArr_;
};

}  // namespace quellsy::ui
