#pragma once
// A thin strip along one edge (or a corner) of a frameless window that resizes it: a press hands the resize to
// the window manager (QWindow::startSystemResize); where there is none to take it, the strip follows the drag
// itself, keeping the window within its minimum and maximum sizes. Hidden while the window cannot be resized.

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace quellsy::ui {

class WindowResizeGrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kThickness = 4;

  WindowResizeGrip(Qt::Edges edges, QWidget* window);

  Qt::Edges edges() const { return edges_; }
  // Puts the strip along its edge of the window's current size and shows it when the window can be resized.
  void Place();

  // The window's geometry after a drag by delta from start, within minimum and maximum (pure).
  static QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum, QSize maximum);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const Qt::Edges edges_;
  bool following_ = false;
  QPoint pressGlobal_;
  QRect startGeometry_;
};

}  // namespace quellsy::ui
