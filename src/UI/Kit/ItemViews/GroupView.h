#pragma once
// A white panel with a thin rounded outline, drawn behind grouped controls.

#include <QWidget>

namespace quellsy::ui {

class GroupView : public QWidget {
  Q_OBJECT

 public:
  explicit GroupView(QWidget* parent = nullptr);

  // The outline in a panel of that size (top-left coordinates): 18 points in from the sides and the bottom,
  // 35 from the top, on the half point so that the one-point line is crisp.
  static QRectF OutlineRect(QSizeF size);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quellsy::ui
