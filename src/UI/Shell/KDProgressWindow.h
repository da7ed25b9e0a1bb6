#pragma once
// The modal window shown while scan results are written to a scan-result file (export from the results window)
// or read back from one (import from the main window): a title, a line asking to wait and a bar that follows the
// operation's progress notifications. When the operation ends the window closes itself; a failure is reported
// by an alert, and a successful load posts "ShowDetailWindow" once. The caller starts the operation first:
//
//   Backend().beginSaveOrRestoreNode(false, path, "");
//   KDProgressWindow progress("NormalScranValue", false);
//   if (progress.runModal()) ...   // getResult()
//
// Closing it with its close button before the end returns at once with getResult() false and no alert: the
// window stops observing, its end timer goes, and a restore still running is stopped (a save runs on and its
// file is kept whole or removed by the save itself).

#include <QObject>
#include <QPointer>
#include <QSize>
#include <cstdint>
#include <string>

#include "UI/Kit/TCImageWindow.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace quellsy::ui {

class WindowFade;

class KDProgressWindow : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{420, 150};
  static constexpr double kTitleBarHeight = 30;
  static constexpr int kEndTimerMs = 500;
  // The bar counts tenths of a percent.
  static constexpr int kBarMaximum = 1000;
  static constexpr const char* kProgressFinish = "QueryProgressFinish";
  static constexpr const char* kShowDetailWindow = "ShowDetailWindow";

  // strPostName: the progress notification to follow ("QueryProgressInfo" for a save, "NormalScranValue" for a
  // load). endTimerMs: how long after the end the window closes (tests shorten it).
  KDProgressWindow(std::string strPostName, bool bSave, int endTimerMs = kEndTimerMs);
  ~KDProgressWindow() override;

  // Shows the window centred and application-modal until it closes; returns getResult().
  bool runModal();

  bool getResult() const { return bSucess_; }
  // The operation's result code (low 32 bits), 0 before its end.
  std::uint32_t getErrorCode() const { return iErrorCode_; }
  const std::string& strPostName() const { return strPostName_; }
  bool bSave() const { return bSave_; }
  bool bFinish() const { return bFinish_; }

  // The notification handlers and the end timer's tick.
  void changeProgressValue();
  void ProgressFinish();
  void onTimer();
  // The close button: ends the run at once, without alert or notification.
  void closeWindow();

  TCImageWindow* window() const { return window_; }
  QLabel* title() const { return title_; }
  QLabel* Description() const { return description_; }
  QProgressBar* progress() const { return progress_; }
  QTimer* endTimer() const { return endTimer_; }

  // The informative text of the failure alert for a result code: a load says it could not be read, a save why
  // it failed.
  static QString FailureText(bool save, std::uint64_t code);
  // The alert that says a save or load failed with that result code; runs until the user answers it.
  static void AlertFailure(bool save, std::uint64_t code);

 private:
  void StopWatching();

  const std::string strPostName_;
  const bool bSave_;
  const int endTimerMs_;
  QPointer<TCImageWindow> window_;
  WindowFade* fade_ = nullptr;
  QLabel* title_ = nullptr;
  QLabel* description_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QTimer* endTimer_ = nullptr;

  bool bFinish_ = false;
  bool bSucess_ = false;
  bool ended_ = false;
  std::uint32_t iErrorCode_ = 0;
  std::uint64_t fullCode_ = 0;
};

}  // namespace quellsy::ui
