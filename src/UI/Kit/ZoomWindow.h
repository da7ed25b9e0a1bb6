#pragma once
// A still of a window in a frameless window of its own, for zoom and fade effects: the picture stretches with
// the zoom window, whose resize animations run at a tunable speed. Also the plain fade-in of any window. No
// window of the application uses them yet.
//
//   std::unique_ptr<ZoomWindow> zoom = createZoomWindowWithRect(window, QRect(100, 100, 300, 200));
//   zoom->show();

#include <QRect>
#include <QWidget>
#include <memory>

class QLabel;

namespace quellsy::ui {

class ZoomWindow : public QWidget {
  Q_OBJECT

 public:
  // A plain resize animation takes this long for each 150 points the largest edge moves.
  static constexpr double kResizeSecondsPer150Points = 0.2;

  explicit ZoomWindow(const QRect& rect);

  double animationTimeMultiplier() const { return animationTimeMultiplier_; }
  void setAnimationTimeMultiplier(double multiplier) { animationTimeMultiplier_ = multiplier; }
  // Seconds a resize animation to frame takes: the plain time times the multiplier (ten times more while
  // Shift is held); 0 while no multiplier was set.
  double animationResizeTime(const QRect& frame) const;

  QLabel* snapshotView() const { return snapshot_; }

 private:
  QLabel* snapshot_;
  double animationTimeMultiplier_ = 0.0;
};

// A zoom window at rect (on the screen) showing a still of window, which need never have been shown; the
// multiplier is 0.3 and the window is not shown.
std::unique_ptr<ZoomWindow> createZoomWindowWithRect(QWidget* window, const QRect& rect);

// Shows window at opacity 0 and fades it to 1 over milliseconds.
void fadeIn(QWidget* window, int milliseconds = 300);

}  // namespace quellsy::ui
