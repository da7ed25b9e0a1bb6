#pragma once
// The grid's rubber band: a translucent dark rectangle with a white outline, drawn over the tiles it covers.

#include <QWidget>

namespace quellsy::ui {

class CNSelectionFrameView : public QWidget {
  Q_OBJECT

 public:
  explicit CNSelectionFrameView(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quellsy::ui
