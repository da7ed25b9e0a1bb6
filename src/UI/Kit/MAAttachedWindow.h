#pragma once
// The pop-over: a frameless window that shows one view of the caller's inside a rounded box with a thin border
// and an optional arrow whose tip marks a point, given in a parent widget's coordinates (Qt's, y down) or on
// the screen when there is no parent. The caller names the side of the point the box lies on (AttachedSide) or
// lets the pop-over choose the side that fits (kAttachedAutomatic, resolved when it is made). It stays
// attached: when the parent's window moves or changes size, or the pop-over's own size changes, it is placed
// again. It can take the keyboard but never becomes its parent's rival: the parent's title bar stays active,
// and a close asked of it by the window system closes the parent.
//
//   auto* hint = MAAttachedWindow::initWithView(view, QPointF(120, 40), resultsWindow, kAttachedAutomatic, 4);
//   hint->setArrowBaseWidth(20);
//   hint->setArrowHeight(10);
//   hint->show();

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include "UI/Kit/AttachedWindowGeometry.h"

namespace quellsy::ui {

class MAAttachedWindow : public QWidget {
  Q_OBJECT

 public:
  // None for no view. The view is moved into the pop-over, which owns it from then on; the parent (any widget
  // of the parent window) owns the pop-over.
  static MAAttachedWindow* initWithView(QWidget* view, QPointF point, QWidget* parent = nullptr,
                                        int side = kAttachedAutomatic, double distance = 0.0);

  // Moves the arrow's tip to point on side, as given (kAttachedAutomatic is not resolved here).
  void setPoint(QPointF point, int side);
  QPointF point() const { return point_; }
  int side() const { return side_; }
  double distance() const { return distance_; }
  QWidget* view() const { return view_; }
  // The view's frame in the pop-over (Qt's coordinates).
  QRect viewGeometry() const;

  QBrush windowBackgroundColor() const { return background_; }
  // Equal to the current fill: nothing; else the box is filled with it.
  void setBackgroundColor(const QBrush& brush);
  // A tiled picture as the fill; a null image is ignored.
  void setBackgroundImage(const QImage& image);
  QColor borderColor() const { return borderColor_; }
  void setBorderColor(const QColor& color);
  double borderWidth() const { return borderWidth_; }
  // At most the view margin.
  void setBorderWidth(double width);
  double viewMargin() const { return viewMargin_; }
  // At least 0; the corner radius and arrow width are clamped again.
  void setViewMargin(double margin);
  double cornerRadius() const { return cornerRadius_; }
  // At most half of the box's smaller side less the arrow's width, at least 0; the arrow width is clamped again.
  void setCornerRadius(double radius);
  double arrowBaseWidth() const { return arrowBaseWidth_; }
  // At most the box's smaller side less the corner radius (twice when corners beside the arrow are rounded).
  void setArrowBaseWidth(double width);
  double arrowHeight() const { return arrowHeight_; }
  void setArrowHeight(double height);
  bool hasArrow() const { return hasArrow_; }
  void setHasArrow(bool hasArrow);
  bool drawsRoundCornerBesideArrow() const { return drawsRoundCornerBesideArrow_; }
  void setDrawsRoundCornerBesideArrow(bool draws);

  // The box's outline in the pop-over (Qt's coordinates), and the picture the pop-over is drawn from.
  QPainterPath backgroundPath() const;
  QImage backgroundImage() const;

  // A close command given to the pop-over goes to the parent's window when there is one.
  void performClose();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MAAttachedWindow(QWidget* view, QPointF point, QWidget* parent, int side, double distance);

  AttachedMeasures Measures() const;
  QPointF PointOnScreen() const;  // y grows upwards
  void updateGeometry();
  void updateBackground();
  void redisplay();

  QPointer<QWidget> view_;
  QPointer<QWidget> parent_;
  QPointF point_;
  int side_;
  double distance_;
  QBrush background_ = QBrush(Qt::white);
  QColor borderColor_ = Qt::white;
  double borderWidth_ = 0.2;
  double viewMargin_ = 2.0;
  double arrowBaseWidth_ = 0.0;
  double arrowHeight_ = 0.0;
  bool hasArrow_ = true;
  double cornerRadius_ = 8.0;
  bool drawsRoundCornerBesideArrow_ = true;
  QRectF viewFrame_;  // y grows upwards
  bool resizing_ = false;
};

}  // namespace quellsy::ui
