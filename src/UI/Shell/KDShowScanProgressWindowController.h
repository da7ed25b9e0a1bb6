#pragma once
// The small modal window shown while found files are copied out. Three panes take turns in it: progress (title,
// bar, the file being copied, Stop), the stop question (Yes, No) and the full destination (Continue, Cancel).
// It never drives the recovery itself: each button tells the delegate 1 (pause or resume) or 2 (stop), and the
// results window feeds it progress. The controller is a child of its window.

#include <QObject>
#include <QSize>

class QLabel;
class QPushButton;
class QWidget;

namespace quellsy::ui {

class KDProgressView;
class TCImageWindow;
class WindowFade;

class KDShowScanProgressWindowControllerDelegate {
 public:
  virtual ~KDShowScanProgressWindowControllerDelegate() = default;
  // 1 pause a running recovery or resume a paused one; any other value (the window sends 2) stop it.
  virtual void stopButtonAction(int action) = 0;
};

class KDShowScanProgressWindowController : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{440, 190};
  static constexpr double kTitleBarHeight = 40;

  KDShowScanProgressWindowController();

  void setDelegate(KDShowScanProgressWindowControllerDelegate* delegate) { delegate_ = delegate; }
  TCImageWindow* window() const { return aWindow_; }
  WindowFade* fade() const { return fade_; }

  // The bar at percentage (0 to 100); name, when given, as the file being copied.
  void changeProgressValue(double percentage, const QString* name);
  // The full-destination pane in place of the others.
  void setNoMemeryViewHidden();

  // The buttons' actions.
  void stopProgressButtonAction();
  void noButtonAction();
  void yesButtonAction();
  void continueButtonAction();
  void cancelButtonAction();

  QWidget* recoveryProgressView() const { return recoveryProgressView_; }
  QWidget* warningView() const { return warningView_; }
  QWidget* noMemeryView() const { return noMemeryView_; }
  QLabel* titleLabel() const { return titleLabel_; }
  QLabel* scaningFileName() const { return scaningFileName_; }
  KDProgressView* progressBar() const { return progressBar_; }
  QPushButton* stopButton() const { return stopButton_; }
  QPushButton* yesButton() const { return yesButton_; }
  QPushButton* noButton() const { return noButton_; }
  QLabel* warningNode() const { return warningNode_; }
  QPushButton* noMemeryContinueButton() const { return noMemeryContinueButton_; }
  QPushButton* noMemeryCancelButton() const { return noMemeryCancelButton_; }
  double progressValue() const { return progressValue_; }

 private:
  void Report(int action);
  // Ends the window's run and closes it, without a fade.
  void EndRun();
  void ShowOnly(QWidget* pane);

  TCImageWindow* aWindow_ = nullptr;
  WindowFade* fade_ = nullptr;
  KDShowScanProgressWindowControllerDelegate* delegate_ = nullptr;
  QWidget* recoveryProgressView_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  KDProgressView* progressBar_ = nullptr;
  QLabel* scaningFileName_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QWidget* warningView_ = nullptr;
  QLabel* warningTitle_ = nullptr;
  QLabel* warningNode_ = nullptr;
  QPushButton* yesButton_ = nullptr;
  QPushButton* noButton_ = nullptr;
  QWidget* noMemeryView_ = nullptr;
  QLabel* noMemeryTitle_ = nullptr;
  QLabel* noMemeryNode_ = nullptr;
  QPushButton* noMemeryContinueButton_ = nullptr;
  QPushButton* noMemeryCancelButton_ = nullptr;
  double progressValue_ = 0;
};

}  // namespace quellsy::ui
