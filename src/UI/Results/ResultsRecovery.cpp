#include "UI/Results/ResultsRecovery.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTimer>

#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/WindowFade.h"
#include "Utility/ResultCode.h"

namespace quellsy::ui {
namespace {

// A short write or a full destination pauses the recovery until the user frees room; other failures only count.
bool DestinationFull(ResultCode code) {
  return IsFailure(code) && (ErrorOf(code) == error::kShortWrite || ErrorOf(code) == error::kNoSpace);
}

void RunAlert(TCImageWindow* window, const char* name, const char* title, const char* node, const char* yes,
              const char* no, std::function<void(int)> done) {
  auto* alert = AlertPanel::alertWithMessageText(Text(title), Text(yes), no ? Text(no) : QString(), QString(),
                                                 Text(node));
  alert->setObjectName(QString::fromLatin1(name));
  alert->beginSheetModalForWindow(window, std::move(done));
}

}  // namespace

ResultsRecovery::ResultsRecovery(TCImageWindow* window, TCImageButton* button, int reopenDelay)
    : QObject(window), window_(window), button_(button), reopenDelay_(reopenDelay), check_(new DestinationCheck(this)) {
  ObserveNotification(this, kRecoveryNotification, [this](const bridge::Notification&) { recoveryAction(); });
}

ResultsRecovery::~ResultsRecovery() { StopObserving(this); }

bool ResultsRecovery::EnoughSpace(std::optional<std::uint64_t> freeBytes, std::uint64_t size) {
  // size * 105 / 100 rounded down is size + size / 20, worked out so that no size can wrap the limit round.
  const std::uint64_t twentieth = size / 20;
  if (size > UINT64_MAX - twentieth) return false;
  return freeBytes.value_or(0) > size + twentieth;
}

void ResultsRecovery::recoveryButtonClick() {
  // The panel open, or its folder still being looked at: one recovery is chosen at a time.
  if (panel_ || check_->running()) return;
  // Nothing checked, nothing to copy: no folder is asked for.
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  Backend().GetSelectedFilesAmout(count, size);
  if (count == 0) return;
  button_->setButtonEnabled(false);
  // The panel starts in the folder chosen last while it still is one, else in the invoking user's home.
  check_->Start(recoverySavePathStr_.toStdString(), kLookKind | kLookHome, [this](const DestinationLooks& looks) {
    ShowPanel(looks.isFolder ? recoverySavePathStr_ : QString::fromStdString(looks.home));
  });
}

void ResultsRecovery::ShowPanel(const QString& startingFolder) {
  // The window left meanwhile (one that closed took this object with it): no panel.
  if (!window_->isVisible()) {
    button_->setButtonEnabled(true);
    return;
  }
  isRecoveryEndSHowWindow_ = true;
  // The sheet: the panel's message above the folder panel itself, our own rather than the desktop's (a portal's
  // panel would run as root or not at all).
  auto* sheet = new QWidget(window_);
  sheet->setObjectName(QStringLiteral("recoveryPanel"));
  sheet->setAccessibleName(Text("RVT_FOUR_RECOVERY_NODE"));
  sheet->setAutoFillBackground(true);
  auto* message = new QLabel(Text("RVT_FOUR_RECOVERY_NODE"), sheet);
  message->setObjectName(QStringLiteral("recoveryPanelMessage"));
  message->setAccessibleName(message->text());
  message->setFont(BoldSystemFont(13));
  message->setWordWrap(true);
  panel_ = new QFileDialog(sheet);
  // Held in the sheet rather than a window of its own.
  panel_->setWindowFlags(Qt::Widget);
  panel_->setObjectName(QStringLiteral("recoveryFolderPanel"));
  panel_->setAccessibleName(message->text());
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(12, 12, 12, 4);
  layout->addWidget(message);
  layout->addWidget(panel_, 1);
  panel_->setOption(QFileDialog::DontUseNativeDialog);
  panel_->setOption(QFileDialog::ShowDirsOnly);
  panel_->setFileMode(QFileDialog::Directory);
  panel_->setAcceptMode(QFileDialog::AcceptOpen);
  panel_->setWindowTitle(Text("RVT_FOUR_RECOVERY_NODE"));
  panel_->setLabelText(QFileDialog::Accept, Text("RVT_FOUR_RECOVERY_WINDOW_SAVE_BUTTON"));
  panel_->setDirectory(startingFolder);
  if (rectNew_.isEmpty())
    rectNew_ = QRect(QPoint(), window_->size() - QSize(0, kPanelHeightLess));
  sheet->resize(rectNew_.size());
  // A dialog stays hidden with its parent until shown itself.
  panel_->show();
  QFileDialog* panel = panel_;
  connect(panel, &QFileDialog::finished, this, [sheet](int result) { ModalRunner::endRun(sheet, result); });
  ModalRunner::beginSheet(sheet, window_, [this, sheet, panel](int result) {
    rectNew_ = sheet->geometry();
    const QStringList chosen = panel->selectedFiles();
    sheet->deleteLater();
    button_->setButtonEnabled(true);
    if (result != QDialog::Accepted || chosen.isEmpty()) return;
    recoverySavePathStr_ = chosen.front();
    CheckAndStart();
  });
}

void ResultsRecovery::CheckAndStart() {
  check_->Start(recoverySavePathStr_.toStdString(), kLookWritable | kLookDevice,
                [this](const DestinationLooks& looks) { Checked(looks); });
}

void ResultsRecovery::Checked(const DestinationLooks& looks) {
  // The window left meanwhile (one that closed took this object with it): nothing more is asked.
  if (!window_->isVisible()) return;
  if (!looks.writable) {
    alertNoCompetence();
    return;
  }
  if (Backend().IsRecoveryToSameDevice(looks.device)) {
    alertSameDevice();
    return;
  }
  // Also hands the bridge the recovery's totals.
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  Backend().GetSelectedFilesAmout(count, size);
  if (!EnoughSpace(looks.freeBytes, size)) {
    alertNoLeakOfSpace();
    return;
  }
  StartRecovery();
}

void ResultsRecovery::alertNoCompetence() {
  RunAlert(window_, "noCompetenceAlert", "RVT_FOUR_RECOVERY_NO_COMPETENCE_TITLE", "RVT_FOUR_RECOVERY_NO_COMPETENCE_NODE",
           "RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON", nullptr, [](int) {});
}

void ResultsRecovery::alertSameDevice() {
  RunAlert(window_, "sameDeviceAlert", "RVT_FOUR_SAVE_SAME_PATH_TITLE", "RVT_FOUR_SAVE_SAME_PATH_NODE",
           "RVT_FOUR_SAVE_SAME_PATH_YES_BUTTON", "RVT_FOUR_SAVE_SAME_PATH_NO_BUTTON", [this](int code) {
             if (code == AlertPanel::kDefaultReturn)
               QTimer::singleShot(reopenDelay_, this, &ResultsRecovery::recoveryButtonClick);
             else if (code == AlertPanel::kAlternateReturn)
               StartRecovery();
           });
}

void ResultsRecovery::alertNoLeakOfSpace() {
  RunAlert(window_, "noSpaceAlert", "RVT_FOUR_RECOVERY_NO_SPACE_TITLE", "RVT_FOUR_RECOVERY_NO_SPACE_NODE",
           "RVT_FOUR_RECOVERY_NO_SPACE_YES_BUTTON", "RVT_FOUR_RECOVERY_NO_SPACE_NO_BUTTON", [this](int code) {
             if (code == AlertPanel::kAlternateReturn) StartRecovery();
           });
}

void ResultsRecovery::StartRecovery() {
  isFinishRecovery_ = false;
  isBeginRecovery_ = true;
  // A refusal (the last recovery still winding down) brings no progress; the news of the one winding down must
  // not be taken for this one's end.
  if (IsFailure(Backend().DoRecovery(recoverySavePathStr_.toStdString(), kRecoveryNotification))) {
    isFinishRecovery_ = true;
    isBeginRecovery_ = false;
  }
}

void ResultsRecovery::recoveryAction() {
  if (isFinishRecovery_) return;
  IFacadeBackend& backend = Backend();
  if (!recoveryProgressWindow_ && backend.IsRecoveryRunning()) {
    recoveryProgressWindow_ = new KDShowScanProgressWindowController;
    recoveryProgressWindow_->setDelegate(this);
  }
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  ResultCode code = kResultOk;
  const QString name = QString::fromStdString(backend.GetRecoveryProgressTotal(total, current, code));
  const bool running = backend.IsRecoveryRunning();
  if (DestinationFull(code) && running) {
    if (recoveryProgressWindow_) recoveryProgressWindow_->setNoMemeryViewHidden();
  } else {
    const double percent = current != 0 && total != 0 ? static_cast<double>(current) * 100.0 / static_cast<double>(total) : 0.0;
    if (recoveryProgressWindow_) recoveryProgressWindow_->changeProgressValue(percent, &name);
    if (!running) {
      isFinishRecovery_ = true;
      CloseProgressWindow();
      if (isRecoveryEndSHowWindow_) showRecoveryEndWindow();
      return;
    }
  }
  if (isBeginRecovery_ && recoveryProgressWindow_) {
    isBeginRecovery_ = false;
    TCImageWindow* progress = recoveryProgressWindow_->window();
    progress->move(window_->geometry().center() - progress->rect().center());
    // Closed by the user while the recovery goes on, the window would leave it with no way to follow, pause or
    // answer a full destination: closing it stops the recovery as Stop does.
    ModalRunner::beginModalForWindow(progress, [this, shown = recoveryProgressWindow_](int) {
      if (shown && shown == recoveryProgressWindow_) stopButtonAction(2);
    });
  }
}

void ResultsRecovery::stopButtonAction(int action) {
  if (action == 1) {
    Backend().PauseOrResumeRecovery();
    return;
  }
  if (isFinishRecovery_) return;  // wound up already (the window's end reported the same stop)
  isFinishRecovery_ = true;
  isRecoveryEndSHowWindow_ = false;
  CloseProgressWindow();
  Backend().StopRecvoery();
  showRecoveryNotEndWindow();
}

void ResultsRecovery::CloseProgressWindow() {
  if (!recoveryProgressWindow_) return;
  recoveryProgressWindow_->setDelegate(nullptr);
  recoveryProgressWindow_->fade()->closeNow();
  recoveryProgressWindow_->window()->deleteLater();
  recoveryProgressWindow_ = nullptr;
}

void ResultsRecovery::showRecoveryEndWindow() {
  if (scanEndSaveWC_) scanEndSaveWC_->window()->deleteLater();
  scanEndSaveWC_ = new KDScanEndSaveWindowController;
  scanEndSaveWC_->setSavePathStr(recoverySavePathStr_);
  scanEndSaveWC_->setFailedFiles(Backend().GetRecoveryFailedFiles());
  TCImageWindow* end = scanEndSaveWC_->window();
  end->move(window_->geometry().center() - end->rect().center());
  ModalRunner::beginModalForWindow(end, [](int) {});
}

void ResultsRecovery::showRecoveryNotEndWindow() {
  if (scanNotEndSaceWC_) scanNotEndSaceWC_->window()->deleteLater();
  scanNotEndSaceWC_ = new KDScanNotEndSaveWindowController;
  TCImageWindow* end = scanNotEndSaceWC_->window();
  end->move(window_->geometry().center() - end->rect().center());
  scanNotEndSaceWC_->changeRecoveryFilesPoint(Backend().GetRecoveridedFiles(), recoverySavePathStr_);
  ModalRunner::beginModalForWindow(end, [](int) {});
}

}  // namespace quellsy::ui
