#pragma once
// The title bar's face, filling its container: white with the two top corners rounded (radius 4), the window's
// title centred near the top in dark grey with a light shadow when the window shows its title, or whatever the
// window's drawing block paints. The windows put their own controls (logo, buttons, progress, search) on it.
// A double click minimises the window when the user default "AppleMiniaturizeOnDoubleClick" says so; nothing
// else happens on a click, and presses that no control takes go on to the container, which moves the window.

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QRectF>
#include <QWidget>

#include "UI/Kit/TCImageWindow.h"

namespace quellsy::ui {

// A two-stop gradient from start (at 0) to end (at 1).
QLinearGradient createGradientWithColors(const QColor& start, const QColor& end);

struct TitleTextAttributes {
  QFont font;
  QColor color;
  TitleTextShadow shadow;
};

class JBTitlebarView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kCornerRadius = 4.0;

  explicit JBTitlebarView(QWidget* parent = nullptr);

  // Where the title goes in this view (top-left coordinates) and how it is drawn, for window.
  QRectF titleFrame(const TCImageWindow& window) const;
  static TitleTextAttributes titleTextAttributes(const TCImageWindow& window);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TCImageWindow* Window() const;
};

}  // namespace quellsy::ui
