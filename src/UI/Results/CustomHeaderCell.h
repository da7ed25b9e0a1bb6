#pragma once
// The header of the results window's file table, drawn as the window draws it: a light ground with a frame
// line, grey titles in Helvetica 12, and a small triangle for the column the listing is sorted by (pointing up
// ascending, down descending). Column 0 leaves room for the select-all box.

#include <QHeaderView>

namespace quellsy::ui {

class CustomHeaderCell : public QHeaderView {
  Q_OBJECT

 public:
  static constexpr int kHeight = 20;

  explicit CustomHeaderCell(QWidget* parent = nullptr);

  // The column with the triangle (-1: none) and its direction.
  void setSortAscending(int column, bool ascending);
  int sortColumn() const { return sortColumn_; }
  bool ascending() const { return ascending_; }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  int sortColumn_ = -1;
  bool ascending_ = true;
};

}  // namespace quellsy::ui
