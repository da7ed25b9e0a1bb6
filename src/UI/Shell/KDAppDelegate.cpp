#include "UI/Shell/KDAppDelegate.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include "Bridge/BridgeServices.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/KDAboutWindowController.h"
#include "UI/Shell/KDCheckUpdateWindowController.h"
#include "UI/Shell/KDLinkUrl.h"

namespace quellsy::ui {
namespace {

constexpr qint64 kSecondsPerDay = 86400;

void CentreOnScreen(QWidget* window) {
  if (const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
}

void BringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

// Asks a question of its own (no window to hang it from); done(answer) once it is answered.
QWidget* Ask(const char* title, const char* yes, const char* no, const char* detail, std::function<void(int)> done) {
  AlertPanel* alert = AlertPanel::alertWithMessageText(Text(title), Text(yes), Text(no), QString(),
                                                       FormatText(Text(detail), {}));
  alert->setIconName(QStringLiteral("warning_b"));
  CentreOnScreen(alert);
  ModalRunner::beginModalForWindow(alert, [alert, done = std::move(done)](int code) {
    alert->deleteLater();
    done(code);
  });
  return alert;
}

}  // namespace

KDAppDelegate::KDAppDelegate(AppDelegateOptions options) : options_(std::move(options)) { BuildMenu(); }

KDAppDelegate::~KDAppDelegate() {
  StopObserving(this);
  if (qApp) qApp->removeEventFilter(this);
}

void KDAppDelegate::applicationDidFinishLaunching() {
  ObserveNotification(this, kWillTerminateNotification, [this](const bridge::Notification&) {
    applicationWillTerminate();
  });
  qApp->installEventFilter(this);
  Backend().USBNotifier_init();
  awakeFromNib();
  CheckForUpdateAtLaunch();
}

bool KDAppDelegate::IsUpdateCheckDue(const std::optional<std::string>& stored, const QDateTime& now) {
  if (!stored || stored->empty() || *stored == " ") return true;
  const QDateTime last = QDateTime::fromString(QString::fromStdString(*stored), QString::fromLatin1(kUpdateTimeFormat));
  if (!last.isValid()) return true;
  const qint64 days = last.secsTo(now) / kSecondsPerDay;
  return days >= kUpdateIntervalDays || days < 0;
}

void KDAppDelegate::CheckForUpdateAtLaunch() {
  const QDateTime now = options_.clock();
  const std::optional<std::string> stored = Backend().getUpDataTimeStr();
  if (!stored || stored->empty() || *stored == " ") UserDefaults::Instance().SetBool(UserDefaults::kParticipate, true);
  if (!IsUpdateCheckDue(stored, now)) return runRootWindow();
  // Stored first: whatever the check finds, the next one is a week away.
  Backend().writeUpDataTimeStr(now.toString(QString::fromLatin1(kUpdateTimeFormat)).toStdString());
  launchFetch_ = new UpdateListFetch(UpdateListFetch::AddressesFromLinks(), options_.updateTimeoutMs, this);
  connect(launchFetch_, &UpdateListFetch::finished, this, [this](const UpdateCheckResult& result) {
    launchFetch_->deleteLater();
    if (result.network && result.list && IsNewerThanInstalled(*result.list))
      ShowUpdateWindow(result);
    else
      runRootWindow();
  });
}

void KDAppDelegate::ShowUpdateWindow(const std::optional<UpdateCheckResult>& known) {
  if (!checkUpdateWindow_) {
    auto* controller = new KDCheckUpdateWindowController(options_.updateTimeoutMs);
    updateWindow_.reset(controller->window());
    checkUpdateWindow_ = controller;
    // The main window follows the update window however it was closed.
    controller->setDelegate([this] { runRootWindow(); });
    if (known)
      controller->showCheckResult(*known);
    else
      controller->getVersionChange();
  }
  if (ModalRunner::isRunning(updateWindow_.get())) return;
  updateWindow_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  CentreOnScreen(updateWindow_.get());
  ModalRunner::beginModalForWindow(updateWindow_.get(), nullptr);
  BringToFront(updateWindow_.get());
}

void KDAppDelegate::runRootWindow() {
  if (rootWindowCon_) return;
  const std::string importPath = UserDefaults::Instance().GetString(UserDefaults::kScanResultPath).value_or("");
  rootWindowCon_ = options_.makeRootWindow(importPath);
  if (!rootWindowCon_) return;
  // The menu's shortcuts (quit) work wherever the main window is.
  rootWindowCon_->addActions(menu_->actions());
  CentreOnScreen(rootWindowCon_);
  BringToFront(rootWindowCon_);
}

bool KDAppDelegate::applicationShouldTerminate() {
  if (question_) return false;
  IFacadeBackend& backend = Backend();
  if (backend.IsScanRunning()) {
    if (!backend.IsPause()) backend.PauseOrResumeScan();
    question_ = Ask("RVT_FOUR_SCAN_STOP_TITLE", "RVT_FOUR_SCAN_STOP_YES_BUTTON", "RVT_FOUR_SCAN_STOP_NO_BUTTON",
                    "RVT_FOUR_SCAN_STOP_NODE", [this](int code) {
                      question_ = nullptr;
                      alertEnded(code);
                    });
    return false;
  }
  if (backend.IsRecoveryRunning()) {
    AskAboutRecovery();
    return false;
  }
  bridge::PostOnMainThread(bridge::Notification{kExportNotification, {}, {}});
  applicationWillTerminate();
  return true;
}

void KDAppDelegate::alertEnded(int code) {
  if (code != AlertPanel::kAlternateReturn) {
    Backend().StopScan(1);
    applicationWillTerminate();
  } else if (Backend().IsPause()) {
    Backend().PauseOrResumeScan();
  }
}

void KDAppDelegate::AskAboutRecovery() {
  question_ = Ask("RVT_FOUR_RECOVERY_STOP_TITLE", "RVT_FOUR_RECOVERY_STOP_YES_BUTTON",
                  "RVT_FOUR_RECOVERY_STOP_NO_BUTTON", "RVT_FOUR_RECOVERY_STOP_NODE", [this](int code) {
                    question_ = nullptr;
                    if (code == AlertPanel::kAlternateReturn) return;
                    Backend().StopRecvoery();
                    WaitForRecoveryThenEnd();
                  });
}

void KDAppDelegate::WaitForRecoveryThenEnd() {
  const auto ended = [] { return !Backend().IsRecoveryRunning() && !Backend().IsRecoveryStopping(); };
  if (ended()) return applicationWillTerminate();
  if (recoveryWait_) return;
  // The copy ends at its next look at whether to go on; the file it was writing is finished or marked first.
  recoveryWait_ = new QTimer(this);
  connect(recoveryWait_, &QTimer::timeout, this, [this, ended] {
    if (ended()) applicationWillTerminate();
  });
  recoveryWait_->start(options_.recoveryPollMs);
}

void KDAppDelegate::applicationWillTerminate() {
  if (terminating_) return;
  terminating_ = true;
  if (recoveryWait_) recoveryWait_->stop();
  StopObserving(this);
  if (rootWindowCon_) rootWindowCon_->hide();
  if (shutdownHook_) shutdownHook_();
  Backend().CloseApp();
}

bool KDAppDelegate::eventFilter(QObject* watched, QEvent* event) {
  // A quit the desktop asks for goes through the same questions; the program's own end passes.
  if (watched == qApp && event->type() == QEvent::Quit && !terminating_) {
    if (!applicationShouldTerminate()) {
      event->ignore();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

QAction* KDAppDelegate::AddAction(const char* name, void (KDAppDelegate::*action)()) {
  QAction* item = menu_->addAction(QString());
  item->setObjectName(QString::fromLatin1(name));
  connect(item, &QAction::triggered, this, action);
  return item;
}

void KDAppDelegate::BuildMenu() {
  menu_ = std::make_unique<QMenu>();
  menu_->setObjectName(QStringLiteral("applicationMenu"));
  about_ = AddAction("about", &KDAppDelegate::aboutAction);
  checkUpdate_ = AddAction("checkUpdate", &KDAppDelegate::CheckUpAction);
  menu_->addSeparator();
  onlineHelp_ = AddAction("onlineHelp", &KDAppDelegate::onlineHelp);
  supportCenter_ = AddAction("supportCenter", &KDAppDelegate::supportCenterAction);
  contactPM_ = AddAction("contactPM", &KDAppDelegate::contactUSAction);
  translate_ = AddAction("Translate", &KDAppDelegate::helpTranslate);
  menu_->addSeparator();
  participate_ = AddAction("participate", &KDAppDelegate::ParticipateInCustomer);
  participate_->setCheckable(true);
  menu_->addSeparator();
  exit_ = menu_->addAction(QString());
  exit_->setObjectName(QStringLiteral("exit"));
  exit_->setShortcut(QKeySequence::Quit);
  exit_->setShortcutContext(Qt::ApplicationShortcut);
  connect(exit_, &QAction::triggered, this, [this] { applicationShouldTerminate(); });
  awakeFromNib();
}

void KDAppDelegate::awakeFromNib() {
  menu_->setTitle(Text("WINDOW_TOP_TITLE"));
  menu_->setAccessibleName(menu_->title());
  about_->setText(FormatText(Text("MENU_ABOUT_NAME"), {Text("WINDOW_TOP_TITLE")}));
  checkUpdate_->setText(Text("MENU_CHECK_UPDTE"));
  onlineHelp_->setText(Text("MENU_ONLINE_HELP"));
  supportCenter_->setText(Text("MENU_SUPPORT_CENTER"));
  contactPM_->setText(Text("MENU_CONTACT_US"));
  translate_->setText(Text("MENU_TRANSLATE"));
  participate_->setText(Text("MENU_PARTICIPATE"));
  exit_->setText(Text("MENU_EXIT"));
  participate_->setChecked(UserDefaults::Instance().GetBool(UserDefaults::kParticipate).value_or(false));
}

void KDAppDelegate::helpTranslate() { KDLinkUrl::OpenUrl("Translate"); }
void KDAppDelegate::contactUSAction() { KDLinkUrl::OpenUrl("OnlineHelp"); }
void KDAppDelegate::onlineHelp() { KDLinkUrl::OpenUrl("OnlineHelp"); }
void KDAppDelegate::supportCenterAction() { KDLinkUrl::OpenUrl("SupportTeam"); }

void KDAppDelegate::aboutAction() {
  auto* about = new KDAboutWindowController;
  TCImageWindow* window = about->window();
  CentreOnScreen(window);
  ModalRunner::beginModalForWindow(window, [window](int) { window->deleteLater(); });
  BringToFront(window);
}

void KDAppDelegate::CheckUpAction() { ShowUpdateWindow(std::nullopt); }

void KDAppDelegate::ParticipateInCustomer() {
  const bool participate = !UserDefaults::Instance().GetBool(UserDefaults::kParticipate).value_or(false);
  UserDefaults::Instance().SetBool(UserDefaults::kParticipate, participate);
  participate_->setChecked(participate);
}

}  // namespace quellsy::ui
