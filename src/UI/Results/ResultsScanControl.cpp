// Scan control in the results window: starting the scan handed over (or taking over a restored one), the found
// count, progress and remaining time in the bottom bar, pause and resume, stop with the result trees built, a
// complete scan after a quick one, and the switch to the browsing state when the scan has ended.

#include <QLabel>
#include <algorithm>
#include <cstdlib>
#include <QLineEdit>
#include <QTimer>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIController.h"
#include "Bridge/NotificationCenter.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Autoresize.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Results/ResultsBrowser.h"
#include "Utility/ResultCode.h"
#include "UI/Results/KDDeletailWindowController.h"

namespace quellsy::ui {
namespace {

constexpr const char* kScanNotification = "NormalScranValue";

QString CountText(const QString& count) { return FormatText(Text("RVT_FOUR_FILESFOUND"), {count}); }

QString RemainingText(const QString& remaining) { return FormatText(Text("RVT_FOUR_REMAININGTIME"), {remaining}); }

void SetLabel(QLabel* label, const QString& text) {
  label->setText(text);
  label->setAccessibleName(text);
}

// A repeating timer owned by owner, calling slot every interval.
QTimer* Repeating(KDDeletailWindowController* owner, int interval, void (KDDeletailWindowController::*slot)()) {
  auto* timer = new QTimer(owner);
  timer->setInterval(interval);
  QObject::connect(timer, &QTimer::timeout, owner, slot);
  timer->start();
  return timer;
}

// Sets a button's usable state only when it changes: a button draws itself at once on every change (a round
// trip to the display), which the refreshes during a scan, several a second, need not pay for.
void SetUsable(TCImageButton* button, bool usable) {
  if (button->isDisabled() != usable) button->setButtonEnabled(usable);
}

}  // namespace

void KDDeletailWindowController::Stop(QTimer*& timer) {
  delete timer;
  timer = nullptr;
}

void KDDeletailWindowController::getData() {
  pathTree_.Clear();
  browser_->Clear();
  dotsSuffix_.clear();
  isDeepScan_ = false;
  setNotification();
  const DiskVolumeNodeData* data = selectDiskVolumeData_.get();
  bool started = false;
  if (data && (data->isQim() || data->isAppleDmg())) {
    // An image is always searched block by block.
    Backend().ResetShouldBuild();
    started = Backend().isQimDoDeepScanWithData(data, kScanNotification);
  } else if (scanTypeNum_ == 1) {
    started = Backend().DoScanWithData(data, kScanNotification);
  } else {
    started = Backend().DoDeepScanWithData(data, kScanNotification);
  }
  isDeepScan_ = Backend().IsDeepScan();
  if (isDeepScan_) {
    segment_->setEnabled(false);
    ApplyCompleteScanFrames();
  } else {
    segment_->setEnabled(true);
  }
  if (!started) ScanNotStarted();
}

void KDDeletailWindowController::ScanNotStarted() {
  scanRefused_ = true;
  auto* alert = AlertPanel::alertWithMessageText(Text("RVT_FOUR_SCAN_NOT_STARTED_TITLE"), QString(), QString(),
                                                 QString(), Text("RVT_FOUR_SCAN_NOT_STARTED_NODE"));
  alert->setObjectName(QStringLiteral("scanNotStartedAlert"));
  alert->beginSheetModalForWindow(aWindow_, nullptr);
  // Nothing runs: the window goes to its end state with whatever there is (nothing), so the user can go home.
  getScanProgress();
}

void KDDeletailWindowController::TellIfTheDeviceStoppedAnswering(const bridge::Notification& notification) {
  const auto result = notification.info.find(KDUIController::kScanResultKey);
  if (result == notification.info.end()) return;
  const ResultCode code = std::strtoull(result->second.c_str(), nullptr, 16);
  if (!IsFailure(code) || ErrorOf(code) != error::kDeviceStoppedAnswering) return;
  const auto reason = notification.info.find(KDUIController::kScanReasonKey);
  const QString words = reason == notification.info.end() ? QString() : QString::fromStdString(reason->second);
  const QString informative = FormatText(Text("RVT_FOUR_SCAN_DEVICE_GONE_NODE"), {words});
  auto* alert = AlertPanel::alertWithMessageText(Text("RVT_FOUR_SCAN_DEVICE_GONE_TITLE"), QString(), QString(),
                                                 QString(), informative);
  alert->setObjectName(QStringLiteral("deviceStoppedAnsweringAlert"));
  alert->beginSheetModalForWindow(aWindow_, nullptr);
}

void KDDeletailWindowController::getImportData(const std::string&) {
  isImport_ = true;
  for (QWidget* widget : std::initializer_list<QWidget*>{findFilesLabel_, remainTimeLabel_, pauseButton_, stopButton_,
                                                          progressView_, exportButton_})
    widget->hide();
  ApplyCompleteScanFrames();
  advButton_->hide();
  backHomeButton_->setButtonEnabled(true);
  Backend().RestorPostUIUpdate(kScanNotification, false);
  setNotification();
  // The restore may end without a last notification of its own: the end is also looked for.
  StartEndScanTimer();
}

void KDDeletailWindowController::ApplyCompleteScanFrames() {
  PlaceView(stopButton_, QRectF(527, 32, 18, 18), kMinXMargin);
  PlaceView(pauseButton_, QRectF(497, 32, 18, 18), kMinXMargin);
  PlaceView(continueScanButton_, QRectF(497, 32, 18, 18), kMinXMargin);
  PlaceView(recovertyButton_, QRectF(562, 22, 138, 41), kMinXMargin);
  advButton_->hide();
}

void KDDeletailWindowController::ShowWaitingTexts() {
  SetLabel(findFilesLabel_, Text("Please wait..."));
  SetLabel(remainTimeLabel_, Text("Prepare to scan your drive"));
}

void KDDeletailWindowController::ShowFoundCount(std::uint64_t files, const QString& suffix) {
  SetLabel(findFilesLabel_, CountText(QString::number(files)) + suffix);
}

void KDDeletailWindowController::ShowProgressTexts(std::uint64_t files, double percent, const std::string& remaining) {
  if (files == 0 && percent <= 1) {
    ShowWaitingTexts();
    return;
  }
  // The dots' last suffix stays behind the count (" " once they stopped).
  ShowFoundCount(files, dotsSuffix_);
  // The remaining time changes at most once a second, however often the display is refreshed.
  const qint64 now = timings_.now();
  if (lastUpdateTime_ != 0 && now - lastUpdateTime_ < timings_.remainingTimeEvery) return;
  lastUpdateTime_ = now;
  SetLabel(remainTimeLabel_, RemainingText(QString::fromStdString(remaining)));
}

void KDDeletailWindowController::getScanProgress() {
  isDeepScan_ = Backend().IsDeepScan();
  if (!isDeepScan_ || isPause_) {
    segment_->setEnabled(true);
  } else {
    segment_->setEnabled(false);
    ApplyCompleteScanFrames();
  }
  double percent = 0;
  std::uint64_t files = 0;
  const std::string remaining = Backend().GetScanProgress(percent, files);
  ShowProgressTexts(files, percent, remaining);
  if (files > 0) {
    if (!getPorTimer_ && Backend().IsScanRunning() && !Backend().IsPause())
      getPorTimer_ = Repeating(this, timings_.progressInterval, &KDDeletailWindowController::showScanProgree);
    progressView_->changeProgressValue(static_cast<float>(percent));
  }
  if (!Backend().IsScanRunning() && !ShowEndState()) return;
  SetUsable(backHomeButton_, isCanClick_ && !Backend().KDGetIsSearching());
  SetUsable(pauseButton_, isCanClick_);
  SetUsable(stopButton_, isCanClick_);
}

bool KDDeletailWindowController::ShowEndState() {
  StopProgressTimer();
  Stop(foundCountTimer_);
  segment_->setEnabled(true);
  search_->setEnabled(true);
  for (QWidget* widget : std::initializer_list<QWidget*>{continueScanButton_, progressView_, pauseButton_, stopButton_,
                                                          findFilesLabel_, remainTimeLabel_})
    widget->hide();
  recovertyButton_->show();
  recovertyButton_->setButtonEnabled(true);
  selectFilesLabel_->show();
  exportButton_->setButtonEnabled(true);
  isDeepScan_ = Backend().IsDeepScan();
  if (!isDeepScan_ && !isImport_ && !scanRefused_) {
    advButton_->setButtonEnabled(true);
    RunDeepScanHint();
  }
  isCanClick_ = true;
  if (isCloseWindow_) {
    LeaveWindow();
    return false;
  }
  if (isSelectBackHome_) {
    doBackHomeAction(1);
    return false;
  }
  ShowSummary();
  return true;
}

void KDDeletailWindowController::showScanProgree() {
  if (oldData_ != 0) {
    const qint64 quiet = timings_.now() - oldData_;
    if (quiet >= timings_.dotsAfter)
      beginShowFoundCountPoint();
    else if (quiet < timings_.dotsStopBelow)
      stopShowFoundCountPoint();
  }
  if (doShowScanProgree() >= 100) StopProgressTimer();
}

double KDDeletailWindowController::doShowScanProgree() {
  double percent = 0;
  std::uint64_t files = 0;
  const std::string remaining = Backend().GetScanProgress(percent, files);
  if (percent > 0) {
    SetUsable(backHomeButton_, isCanClick_ && !Backend().KDGetIsSearching());
    SetUsable(stopButton_, isCanClick_);
  }
  ShowProgressTexts(files, percent, remaining);
  const double shown = std::max(percent, 1.0);
  progressView_->changeProgressValue(static_cast<float>(shown));
  return shown;
}

void KDDeletailWindowController::beginShowFoundCountPoint() {
  if (foundCountTimer_) return;
  dotCounter_ = 0;
  foundCountTimer_ = Repeating(this, timings_.foundCountInterval, &KDDeletailWindowController::showFoundCountPoint);
}

void KDDeletailWindowController::showFoundCountPoint() {
  static const QString kSuffixes[] = {QStringLiteral("."), QStringLiteral(".."), QStringLiteral("...")};
  const QString suffix = dotCounter_ <= 2 ? kSuffixes[dotCounter_] : QStringLiteral(" ");
  dotCounter_ = dotCounter_ < 3 ? dotCounter_ + 1 : 0;
  getFindFilesCountWith(suffix);
}

void KDDeletailWindowController::getFindFilesCountWith(const QString& suffix) {
  double percent = 0;
  std::uint64_t files = 0;
  Backend().GetScanProgress(percent, files);
  dotsSuffix_ = suffix;
  ShowFoundCount(files, suffix);
}

void KDDeletailWindowController::stopShowFoundCountPoint() {
  if (!foundCountTimer_) return;
  getFindFilesCountWith(QStringLiteral(" "));
  Stop(foundCountTimer_);
}

void KDDeletailWindowController::StopProgressTimer() { Stop(getPorTimer_); }

void KDDeletailWindowController::StartEndScanTimer() {
  if (!endScanTimer_) endScanTimer_ = Repeating(this, timings_.endCheckInterval, &KDDeletailWindowController::doEndScan);
}

void KDDeletailWindowController::PauseUnlessPaused() {
  if (!isPause_ && !Backend().IsPause()) Backend().PauseOrResumeScan();
}

void KDDeletailWindowController::ResumeUnlessUserPaused(bool userPaused) {
  if (!userPaused && Backend().IsPause()) Backend().PauseOrResumeScan();
  isCanClick_ = true;
}

void KDDeletailWindowController::pauseButtonClick() {
  Backend().PauseOrResumeScan();
  if (!Backend().IsScanRunning()) {
    // The scan ended before the click reached it.
    isPause_ = false;
    Backend().StopScan(1);
    isCanClick_ = false;
    getScanProgress();
    Backend().KDSetFlag(0);
    return;
  }
  isPause_ = !isPause_;
  isDeepScan_ = Backend().IsDeepScan();
  if (!isDeepScan_ || isPause_) {
    segment_->setEnabled(true);
  } else {
    segment_->setEnabled(false);
    browser_->segmentSelect(0);
  }
  if (isPause_) {
    isCanClick_ = true;
    pauseButton_->hide();
    continueScanButton_->show();
    search_->setEnabled(true);
    RefreshFoundFiles();
    return;
  }
  clearSelectState();
  RefreshFoundFiles();
  pauseButton_->show();
  continueScanButton_->hide();
  search_->setEnabled(false);
  recovertyButton_->setButtonEnabled(false);
  selectFilesLabel_->hide();
  for (QWidget* widget : std::initializer_list<QWidget*>{progressView_, findFilesLabel_, remainTimeLabel_}) widget->show();
}

void KDDeletailWindowController::stopButtonClick() {
  if (isCloseWindow_) return;
  const bool userPaused = isPause_;
  PauseUnlessPaused();
  auto* alert = AlertPanel::alertWithMessageText(Text("RVT_FOUR_SCAN_STOP_TITLE"), Text("RVT_FOUR_SCAN_STOP_YES_BUTTON"),
                                                 Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"), QString(),
                                                 Text("RVT_FOUR_SCAN_STOP_NODE"));
  alert->setObjectName(QStringLiteral("stopScanAlert"));
  alert->beginSheetModalForWindow(aWindow_, [this, userPaused](int code) {
    if (code != AlertPanel::kDefaultReturn) {
      ResumeUnlessUserPaused(userPaused);
      return;
    }
    clearSelectState();
    isPause_ = false;
    // From here the scan is being stopped: no refresh may make its buttons usable again meanwhile.
    isCanClick_ = false;
    search_->setEnabled(false);
    for (TCImageButton* button : {pauseButton_, continueScanButton_, stopButton_, backHomeButton_, recovertyButton_})
      button->setButtonEnabled(false);
    QTimer::singleShot(timings_.stopDelay, this, &KDDeletailWindowController::stopAction);
  });
}

void KDDeletailWindowController::stopAction() {
  Backend().StopScan(0);
  isCanClick_ = false;
  continueScanButton_->setButtonEnabled(false);
  RefreshFoundFiles();
  StartEndScanTimer();
}

void KDDeletailWindowController::doEndScan() {
  if (Backend().IsScanRunning()) return;
  Stop(endScanTimer_);
  getScanProgress();
  StopProgressTimer();
}

void KDDeletailWindowController::deepSrcanButtonAction() {
  clearSelectState();
  popupViewHidden();
  SetLabel(remainTimeLabel_, RemainingText(QString::fromLatin1(KDUIController::kNoEstimate)));
  SetLabel(findFilesLabel_, CountText(QStringLiteral("0")));
  progressView_->changeProgressValue(0);
  isCanClick_ = true;
  isPause_ = false;
  isDeepScan_ = true;
  Backend().KDResetTreeNodeData();
  dotsSuffix_.clear();
  pathTree_.Clear();
  browser_->Clear();
  for (TCImageButton* button : {backHomeButton_, pauseButton_, stopButton_, recovertyButton_})
    button->setButtonEnabled(false);
  continueScanButton_->setButtonEnabled(true);
  selectFilesLabel_->hide();
  exportButton_->setButtonEnabled(false);
  for (QWidget* widget :
       std::initializer_list<QWidget*>{progressView_, pauseButton_, stopButton_, findFilesLabel_, remainTimeLabel_})
    widget->show();
  ApplyCompleteScanFrames();
  QTimer::singleShot(timings_.deepScanDelay, this, &KDDeletailWindowController::doDeepScanAction);
}

void KDDeletailWindowController::doDeepScanAction() {
  segment_->setEnabled(false);
  browser_->segmentSelect(0);
  bSave_ = false;
  Backend().ResetShouldBuild();
  search_->setEnabled(false);
  search_->clear();
  const bool started = Backend().DoDeepScan(kScanNotification);
  StopProgressTimer();
  if (!started) {
    ScanNotStarted();
    return;
  }
  QTimer::singleShot(timings_.stopButtonDelay, this, &KDDeletailWindowController::setStopButtonCanBeUseState);
}

void KDDeletailWindowController::setStopButtonCanBeUseState() { stopButton_->setButtonEnabled(true); }

void KDDeletailWindowController::clearSelectState() { Backend().KDCleanOpNodeSate(); }

}  // namespace quellsy::ui
