#pragma once
// The header of the result tables: each section on a white face, a thin black line at its right edge and at
// its top, and one along the header's bottom edge under the whole section, then its title. Highlighting does
// not change the drawing.

#include <QHeaderView>

namespace quellsy::ui {

class CustomTableHeaderView : public QHeaderView {
  Q_OBJECT

 public:
  explicit CustomTableHeaderView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  // The white face of a section of frame F: F less a one-point strip at its bottom.
  static QRectF FaceRect(const QRectF& frame);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

}  // namespace quellsy::ui
