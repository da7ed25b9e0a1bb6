#include "UI/Shell/KDProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>

#include "Bridge/BridgeServices.h"
#include "Bridge/SaveRestoreResult.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/TitledWindow.h"

namespace quellsy::ui {
namespace {

constexpr double kWidth = KDProgressWindow::kWindowSize.width();
// The restore reports this when the scan it was saved from was a qim image that cannot be found: the results
// are shown all the same.
constexpr std::uint64_t kQimImageMissing = SaveRestoreResult::kQimMissing;

}  // namespace

KDProgressWindow::KDProgressWindow(std::string strPostName, bool bSave, int endTimerMs)
    : strPostName_(std::move(strPostName)), bSave_(bSave), endTimerMs_(endTimerMs) {
  const TitledWindow made = MakeTitledWindow(QStringLiteral("progressWindow"), kWindowSize, kTitleBarHeight,
                                             QRectF(70, 0, 300, 22), 13);
  window_ = made.window;
  fade_ = made.fade;
  QWidget* content = window_->contentView();
  title_ = MakeTextLabel(content, QStringLiteral("progressTitle"),
                         Text(bSave_ ? "SAVE_SCAN_RESULT" : "LOAD_SCAN_RESULT"), BoldSystemFont(14),
                         Qt::AlignLeft | Qt::AlignVCenter, QRectF(24, 78, kWidth - 48, 22));
  description_ = MakeTextLabel(content, QStringLiteral("progressDescription"),
                               Text(bSave_ ? "SAVE_RESULT_WAIT" : "LOAD_RESULT_WAIT"), SystemFont(12),
                               Qt::AlignLeft | Qt::AlignVCenter, QRectF(24, 52, kWidth - 48, 20));
  progress_ = new QProgressBar(content);
  progress_->setObjectName(QStringLiteral("progressBar"));
  progress_->setAccessibleName(title_->text());
  progress_->setRange(0, kBarMaximum);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  PlaceView(progress_, QRectF(24, 24, kWidth - 48, 14));

  ObserveNotification(this, strPostName_, [this](const bridge::Notification&) { changeProgressValue(); });
  ObserveNotification(this, kProgressFinish, [this](const bridge::Notification&) { ProgressFinish(); });
}

KDProgressWindow::~KDProgressWindow() {
  StopWatching();
  delete window_.data();
}

bool KDProgressWindow::runModal() {
  if (const QScreen* screen = window_->screen())
    window_->move(screen->availableGeometry().center() - window_->rect().center());
  ModalRunner::runModalForWindow(window_);
  if (!ended_) {
    // Closed before the end: nothing of the operation reaches the window any more, and a restore that would
    // fill a results window nobody opens is stopped.
    StopWatching();
    if (!bSave_ && Backend().IsScanRunning()) Backend().StopScan(1);
  }
  return bSucess_;
}

void KDProgressWindow::StopWatching() {
  StopObserving(this);
  delete endTimer_;
  endTimer_ = nullptr;
}

void KDProgressWindow::changeProgressValue() {
  iErrorCode_ = 0;
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  std::uint64_t code = 0;
  Backend().GetSaveorRestoreProgress(total, current, code, bSave_);
  const double percent = static_cast<double>(current) * 100.0 / static_cast<double>(total == 0 ? 1 : total);
  const int value = static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0) * kBarMaximum / 100.0));
  // The bar never moves back.
  if (value > progress_->value()) progress_->setValue(value);
}

void KDProgressWindow::ProgressFinish() {
  if (bFinish_) return;
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  Backend().GetSaveorRestoreProgress(total, current, fullCode_, bSave_);
  iErrorCode_ = static_cast<std::uint32_t>(fullCode_);
  bFinish_ = true;
  bSucess_ = fullCode_ == 0 || fullCode_ == kQimImageMissing;
  if (bSucess_) progress_->setValue(kBarMaximum);
  endTimer_ = new QTimer(this);
  endTimer_->setInterval(endTimerMs_);
  connect(endTimer_, &QTimer::timeout, this, &KDProgressWindow::onTimer);
  endTimer_->start();
}

void KDProgressWindow::onTimer() {
  if (!bFinish_ || ended_) return;
  ended_ = true;
  StopWatching();
  if (!bSucess_) AlertFailure(bSave_, fullCode_);
  fade_->closeNow();
  if (!bSave_ && bSucess_) bridge::PostOnMainThread(bridge::Notification{kShowDetailWindow, {}, {}});
}

void KDProgressWindow::closeWindow() { fade_->closeNow(); }

void KDProgressWindow::AlertFailure(bool save, std::uint64_t code) {
  const std::unique_ptr<AlertPanel> alert(AlertPanel::alertWithMessageText(
      QString(), Text("RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON"), QString(), QString(), FailureText(save, code)));
  alert->setObjectName(QStringLiteral("scanResultFailedAlert"));
  alert->runModal();
}

QString KDProgressWindow::FailureText(bool save, std::uint64_t code) {
  if (!save) return Text("READ_RSF_FAILED");
  switch (code) {
    case SaveRestoreResult::kNotOpened:
      return Text("SAVE_RSF_NOT_CREATED");
    case SaveRestoreResult::kWriteFailed:
      return Text("SAVE_RSF_WRITE_FAILED");
    default:
      return Text("SAVE_RSF_FAILED");
  }
}

}  // namespace quellsy::ui
