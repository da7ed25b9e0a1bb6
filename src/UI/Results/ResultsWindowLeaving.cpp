// Leaving the results window: its close button (asking to stop a running scan, else to save the results), the
// way back home to a new main window, and the removal of the scanned device.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cctype>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIController.h"
#include "Bridge/NotificationCenter.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Shell/ResultsWindowNeighbours.h"
#include "Utility/CatchExeception.h"

namespace quellsy::ui {
namespace {

constexpr const char* kDetachNotification = "RefreshDetachDevice";
constexpr const char* kTerminateNotification = "appWillTerminate";

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Whether disk is the whole disk that holds partition: "/dev/sdb" holds "/dev/sdb1"; a disk whose name ends in a
// digit puts a "p" before the partition's number ("/dev/nvme0n1p2", "/dev/mmcblk0p1", "/dev/loop3p1").
bool HoldsPartition(const std::string& disk, const std::string& partition) {
  if (disk.empty() || partition.size() <= disk.size() || partition.compare(0, disk.size(), disk) != 0) return false;
  std::string number = partition.substr(disk.size());
  if (std::isdigit(static_cast<unsigned char>(disk.back()))) {
    if (number.front() != 'p') return false;
    number.erase(0, 1);
  }
  return AllDigits(number);
}

}  // namespace

void KDDeletailWindowController::AskToStopAndLeave(const char* alertName, const QString& message,
                                                   const QString& informative, const QString& yes, const QString& no,
                                                   void (KDDeletailWindowController::*confirmed)()) {
  const bool userPaused = isPause_;
  PauseUnlessPaused();
  auto* alert = AlertPanel::alertWithMessageText(message, yes, no, QString(), informative);
  alert->setObjectName(QString::fromLatin1(alertName));
  alert->beginSheetModalForWindow(aWindow_, [this, userPaused, confirmed](int code) {
    if (code == AlertPanel::kDefaultReturn)
      (this->*confirmed)();
    else
      ResumeUnlessUserPaused(userPaused);
  });
}

void KDDeletailWindowController::closeWindow() {
  if (isCloseWindow_) return;
  if (Backend().IsScanRunning()) {
    AskToStopAndLeave("closeScanAlert", Text("RVT_FOUR_SCAN_STOP_TITLE"), Text("RVT_FOUR_SCAN_STOP_NODE"),
                      Text("RVT_FOUR_SCAN_STOP_YES_BUTTON"), Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"),
                      &KDDeletailWindowController::CloseConfirmed);
    return;
  }
  if (SaveScanResult()) LeaveWindow();
}

void KDDeletailWindowController::CloseConfirmed() {
  Backend().StopScan(1);
  isCanClick_ = false;
  isPause_ = false;
  isCloseWindow_ = true;
  getScanProgress();
  if (hasLeft_) return;
  for (TCImageButton* button : {backHomeButton_, pauseButton_, stopButton_, continueScanButton_})
    button->setButtonEnabled(false);
  StartEndScanTimer();
}

void KDDeletailWindowController::LeaveWindow() {
  if (hasLeft_) return;
  hasLeft_ = true;
  Stop(endScanTimer_);
  popupViewHidden();
  aWindow_->hide();
  // The application delegate ends the program.
  bridge::NotificationCenter::Default().Post(bridge::Notification{kTerminateNotification, {}, {}});
}

void KDDeletailWindowController::backButtonAction() {
  if (isCloseWindow_) return;
  if (Backend().IsScanRunning()) {
    AskToStopAndLeave("backHomeAlert", Text("RVT_FOUR_SCAN_BACKHOME_TITLE"), Text("RVT_FOUR_SCAN_BACKHOME_NODE"),
                      Text("RVT_FOUR_SCAN_BACKHOME_YES_BUTTON"), Text("RVT_FOUR_SCAN_BACKHOME_NO_BUTTON"),
                      &KDDeletailWindowController::BackHomeConfirmed);
    return;
  }
  doBackHomeAction(1);
}

void KDDeletailWindowController::BackHomeConfirmed() {
  clearSelectState();
  StopProgressTimer();
  isPause_ = false;
  for (TCImageButton* button : {backHomeButton_, continueScanButton_, stopButton_, recovertyButton_})
    button->setButtonEnabled(false);
  Backend().StopScan(1);
  isCanClick_ = false;
  isSelectBackHome_ = true;
  // The end of the scan goes home (getScanProgress); until then the window waits in the stopping state.
  if (!Backend().IsScanRunning())
    doBackHomeAction(1);
  else
    StartEndScanTimer();
}

bool KDDeletailWindowController::SaveScanResult() {
  if (bSave_ || isImport_ || isSelectBackHome_) return true;
  const std::unique_ptr<AlertPanel> alert(AlertPanel::alertWithMessageText(
      Text("SAVE_SAME_DISK_WARNING"), Text("SAVE_SCAN_SAVE_BUTTON"), Text("SAVE_SCAN_CANCEL_BUTTON"),
      Text("SAVE_SCAN_DONT_SAVE_BUTTON"), Text("SAVE_SCAN_TIP")));
  alert->setObjectName(QStringLiteral("saveScanAlert"));
  switch (alert->runModal()) {
    case AlertPanel::kDefaultReturn:
      // Leaves only when the results were saved: a save given up keeps the window and its results.
      exportButtonAction();
      return bSave_;
    case AlertPanel::kOtherReturn:
      return true;
    default:
      return false;
  }
}

void KDDeletailWindowController::doBackHomeAction(int askToSave) {
  if (askToSave && !SaveScanResult()) return;
  if (isBackHome_) return;
  isBackHome_ = true;
  Backend().KDCleanOpNodeSate();
  CatchExeception::WriteLog("begin back home\n");
  Backend().SetViewType(0);
  browser_->saveSearchHistroy();
  remainTimeLabel_->setText(
      FormatText(Text("RVT_FOUR_REMAININGTIME"), {QString::fromLatin1(KDUIController::kNoEstimate)}));
  findFilesLabel_->setText(FormatText(Text("RVT_FOUR_FILESFOUND"), {QStringLiteral("0")}));
  progressView_->changeProgressValue(0);
  StopObserving(this);
  StopProgressTimer();
  Stop(foundCountTimer_);
  Stop(endScanTimer_);
  popupViewHidden();
  // The scan has ended: the next one builds its result trees again.
  Backend().ResetShouldBuild();
  aWindow_->close();
  QTimer::singleShot(timings_.backHomeDelay, qApp, [] {
    ShowRootWindowAgain();
    Backend().RefreshDeviceInfo();
  });
  CatchExeception::WriteLog("finish back home\n");
}

bool KDDeletailWindowController::IsScannedDevice(const std::string& removed) const {
  if (!selectDiskVolumeData_) return false;
  const DiskVolumeNodeData& scanned = *selectDiskVolumeData_;
  if (removed == scanned.parentName()) return true;
  const std::string& path = scanned.diskPath();
  return !path.empty() && (removed == path || HoldsPartition(removed, path));
}

void KDDeletailWindowController::RefreshDevice(const bridge::Notification& notification) {
  // A removal that names no medium cannot be the scanned one.
  const auto removed = notification.info.find("USBPath");
  if (removed == notification.info.end() || removed->second.empty() || !IsScannedDevice(removed->second)) return;
  Backend().StopScan(1);
  StopObserving(this, kDetachNotification);
  auto* alert = AlertPanel::alertWithMessageText(Text("RVT_FOUR_DEVICE_REMOVED_TITLE"), QString(), QString(),
                                                 QString(), Text("RVT_FOUR_DEVICE_REMOVED_NODE"));
  alert->setObjectName(QStringLiteral("deviceRemovedAlert"));
  alert->beginSheetModalForWindow(aWindow_, [this](int) {
    if (!Backend().IsScanRunning()) {
      doBackHomeAction(0);
      return;
    }
    // The scan is still winding down: its end goes home, without asking to save.
    isCanClick_ = false;
    isSelectBackHome_ = true;
    StartEndScanTimer();
  });
}

}  // namespace quellsy::ui
