#pragma once
// The modal About window: the program's mark, name, version and purpose, and a link to its page ("AboutURL",
// opened in the user's browser). The controller is a child of its window: whoever takes window() owns both.
//
//   auto* about = new KDAboutWindowController;
//   ModalRunner::beginModalForWindow(about->window(), [window = about->window()](int) { window->deleteLater(); });

#include <QObject>
#include <QSize>

class QLabel;
class QWidget;

namespace quellsy::ui {

class KDHandButton;
class TCImageWindow;
class WindowFade;

class KDAboutWindowController : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{400, 320};
  static constexpr double kTitleBarHeight = 30;

  KDAboutWindowController();

  TCImageWindow* window() const { return window_; }
  KDHandButton* aboutlink() const { return aboutlink_; }

  // Opens "AboutURL"; the window stays.
  void linkButtonAction();
  // Ends the run and closes at once.
  void closeWindow();

 private:
  TCImageWindow* window_;
  WindowFade* fade_;
  QLabel* titleLabel_;
  KDHandButton* aboutlink_;
  QWidget* aboutlinkLine_;
};

}  // namespace quellsy::ui
