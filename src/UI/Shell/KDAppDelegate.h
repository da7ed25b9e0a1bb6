#pragma once
// The program's application delegate. At launch it starts the media monitor (whose arrivals and removals reach
// the windows as "RefreshAttachDevice" and "RefreshDetachDevice"), checks for a newer version when the last
// check is seven days old, and opens the main window once (or the update window first, which opens the main
// window when it closes). It runs the quit: a running scan is paused and the user asked whether to stop it; a
// running recovery is asked about too and, when stopped, finishes the file it is copying before the program
// ends. It owns the application menu: about, update check, help links, usage statistics and quit.
// GUI thread only.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "UI/Shell/KDCheckUpdateWindowController.h"
#include "UI/Shell/RootWindowMaker.h"
#include "UI/Shell/UpdateListFetch.h"

class QAction;
class QMenu;
class QTimer;

namespace quellsy::ui {

class TCImageWindow;

// What tests change: the main window's maker, the clock, the update check's time-out and how often a quit looks
// whether a stopped recovery has finished.
struct AppDelegateOptions {
  RootWindowMaker makeRootWindow = MakeRootWindow;
  std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
  int updateTimeoutMs = UpdateListFetch::kTimeoutMs;
  int recoveryPollMs = 100;
};

class KDAppDelegate : public QObject {
  Q_OBJECT

 public:
  static constexpr int kUpdateIntervalDays = 7;
  static constexpr const char* kUpdateTimeFormat = "yyyy-MM-dd HH:mm:ss";
  static constexpr const char* kWillTerminateNotification = "appWillTerminate";
  static constexpr const char* kExportNotification = "ExportRSFFile";

  explicit KDAppDelegate(AppDelegateOptions options = AppDelegateOptions());
  ~KDAppDelegate() override;

  // Media monitor, update check, then the main window (or the update window first).
  void applicationDidFinishLaunching();
  // The menu's titles and the statistics item's check mark.
  void awakeFromNib();
  // Opens the main window, once; later calls do nothing.
  void runRootWindow();

  // A quit asked for (the menu, the desktop): true when the program ends now; false when a scan or a recovery
  // runs and the user is asked first.
  bool applicationShouldTerminate();
  // The answer to the scan question: the default button stops the scan and ends the program, the alternate one
  // lets a paused scan go on.
  void alertEnded(int code);
  // Ends the program: after "appWillTerminate" or the last question.
  void applicationWillTerminate();
  // Run just before the program ends (the program releases its display-sleep lock here).
  void setShutdownHook(std::function<void()> hook) { shutdownHook_ = std::move(hook); }

  // Menu actions.
  void helpTranslate();
  void aboutAction();
  void contactUSAction();
  void supportCenterAction();
  void onlineHelp();
  void CheckUpAction();
  void ParticipateInCustomer();

  // Whether the check is due at now: no time stored (or "" or " "), a time that is no "yyyy-MM-dd HH:mm:ss", seven
  // or more whole days since it, or a time more than a day ahead (a clock once set wrong).
  static bool IsUpdateCheckDue(const std::optional<std::string>& stored, const QDateTime& now);

  QMenu* applicationMenu() const { return menu_.get(); }
  QWidget* rootWindow() const { return rootWindowCon_; }
  KDCheckUpdateWindowController* checkUpdateWindow() const { return checkUpdateWindow_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  QAction* AddAction(const char* name, void (KDAppDelegate::*action)());
  void CheckForUpdateAtLaunch();
  void ShowUpdateWindow(const std::optional<UpdateCheckResult>& known);
  void AskAboutRecovery();
  void WaitForRecoveryThenEnd();

  AppDelegateOptions options_;
  std::unique_ptr<QMenu> menu_;
  QAction* about_ = nullptr;
  QAction* checkUpdate_ = nullptr;
  QAction* participate_ = nullptr;
  QAction* onlineHelp_ = nullptr;
  QAction* supportCenter_ = nullptr;
  QAction* contactPM_ = nullptr;
  QAction* translate_ = nullptr;
  QAction* exit_ = nullptr;
  QPointer<QWidget> rootWindowCon_;
  std::unique_ptr<TCImageWindow> updateWindow_;
  QPointer<KDCheckUpdateWindowController> checkUpdateWindow_;
  QPointer<UpdateListFetch> launchFetch_;
  QPointer<QWidget> question_;
  QTimer* recoveryWait_ = nullptr;
  bool terminating_ = false;
  std::function<void()> shutdownHook_;
};

}  // namespace quellsy::ui
