#pragma once
// The modal window that says whether a newer version exists: while the check runs it shows that it is checking,
// then one of three views - no network or no readable list, up to date, or the new version with its list of what
// is new and a button to its download page ("UpdateURL"). The check fetches the property list at "IniURL" off the GUI thread
// (UpdateListFetch) and compares its "VersionCheck" with the installed program's.
//
// The controller is a child of its window: whoever takes window() owns both.
//
//   auto* update = new KDCheckUpdateWindowController;
//   update->setDelegate([this] { runRootWindow(); });
//   update->getVersionChange();
//   ModalRunner::beginModalForWindow(update->window(), nullptr);

#include <QObject>
#include <QPointer>
#include <QSize>
#include <functional>
#include <optional>

#include "UI/Shell/UpdateListFetch.h"

class QFont;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QWidget;

namespace quellsy::ui {

class TCImageWindow;
class WindowFade;

class KDCheckUpdateWindowController : public QObject {
  Q_OBJECT

 public:
  enum class View { kChecking, kNoNetwork, kNoUpdate, kHaveUpdate };

  static constexpr QSize kWindowSize{480, 340};
  static constexpr double kTitleBarHeight = 30;
  // The list of new features: its container's width, each row's width, the least height of the container, of a
  // row and of a row as counted for the container, and the measure of a row's text (system font, width).
  static constexpr double kListWidth = 430;
  static constexpr double kRowWidth = 380;
  static constexpr double kMinimumListHeight = 99;
  static constexpr double kMinimumRowHeight = 25;
  static constexpr double kCountedRowHeight = 30;
  static constexpr double kMeasureFontSize = 10;
  static constexpr double kMeasureWidth = 200;

  // The window, showing that it is checking; nothing is fetched until getVersionChange(). timeoutMs is each
  // request's time-out (tests shorten it).
  explicit KDCheckUpdateWindowController(int timeoutMs = UpdateListFetch::kTimeoutMs);

  TCImageWindow* window() const { return window_; }
  // Called whenever the window has closed, by its buttons or after fading out.
  void setDelegate(std::function<void()> delegate) { delegate_ = std::move(delegate); }

  // Starts the check at the addresses of the link table; the views follow when it ends.
  void getVersionChange();
  // A check's outcome: the no-network view without a network or a readable list, else the list's comparison.
  void showCheckResult(const UpdateCheckResult& result);
  // Shows "up to date" unless remote names a newer build, else the new version and its features.
  void whatIsNewVersionDiff(const std::optional<UpdateVersionList>& remote);

  View visibleView() const { return view_; }
  // The height text needs in font at width, word-wrapped.
  static double heightForStringDrawing(const QString& text, const QFont& font, double width);

  // The window's close button and its Close button: end the run, close at once and tell the delegate.
  void closeWindow();
  void closeWindowAction() { closeWindow(); }
  // The download button: opens "UpdateURL"; the window stays.
  void updateClickHereAction();

 signals:
  // The check has ended and its view is shown.
  void checked();

 private:
  QWidget* MakeView(const char* name);
  QWidget* MakeMessageView(const char* name, const char* image, const char* title, const char* detail);
  void Show(View view);
  void Closed();

  const int timeoutMs_;
  TCImageWindow* window_;
  WindowFade* fade_;
  QWidget* checkProgressView_;
  QProgressBar* progressBar_;
  QWidget* noNetworkView_;
  QWidget* noUpdateView_;
  QWidget* haveUpdateView_;
  QLabel* versionLabel_;
  QLabel* titleLable_;
  QScrollArea* changeValueScrollView_;
  QWidget* showVersionScrollView_ = nullptr;
  QPushButton* updateButton_;
  QPushButton* closeButton_;
  QPointer<UpdateListFetch> fetch_;
  View view_ = View::kChecking;
  std::function<void()> delegate_;
};

}  // namespace quellsy::ui
