#pragma once
// The progress bar of the results window's title bar and of the progress windows: a grey track holding a blue
// fill 4 points high along its bottom edge, whose width follows the percentage done. A bar that has started
// shows at least 10 points of fill, even at 0 %; from one point short of the full width on it is full. The fill
// stretches with the track when the track is resized.

#include <QWidget>

namespace quellsy::ui {

// The fill itself: a plain rectangle of the bar colour.
class NSProgressBar : public QWidget {
  Q_OBJECT

 public:
  explicit NSProgressBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class KDProgressView : public QWidget {
  Q_OBJECT

 public:
  static constexpr qreal kMinimumFill = 10;
  static constexpr qreal kFillHeight = 4;

  explicit KDProgressView(QWidget* parent = nullptr);

  // percent done, 0 to 100 (more gives the full width).
  void changeProgressValue(float percent);
  NSProgressBar* pProgress1() const { return fill_; }
  // The fill's width in points for a percentage on a track of the given width.
  static float FillWidth(float percent, float trackWidth);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  NSProgressBar* fill_;
};

}  // namespace quellsy::ui
