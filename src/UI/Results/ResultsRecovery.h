#pragma once
// Recovery from the results window: the Recover button opens a folder panel as a sheet; the chosen folder is
// checked in order - the user who started us may write there, it is not on the scanned device or volume, its
// file system has more room than 105 % of the checked files' size - each failure with its alert; then the
// bridge copies the checked files. The panel's starting folder and the chosen folder are looked at off the GUI
// thread (DestinationCheck); Recover is ignored until the answer is in. Its "DoRecovery" notifications drive the progress window (pause, resume,
// stop, and the full-destination pane), and the recovery ends with the finished or the stopped window.
// GUI thread only; owned by the results window.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include <QFileDialog>

#include "UI/Kit/DestinationCheck.h"
#include "UI/Shell/KDScanEndSaveWindowController.h"
#include "UI/Shell/KDScanNotEndSaveWindowController.h"
#include "UI/Shell/KDShowScanProgressWindowController.h"

namespace quellsy::ui {

class TCImageButton;
class TCImageWindow;

class ResultsRecovery final : public QObject, public KDShowScanProgressWindowControllerDelegate {
  Q_OBJECT

 public:
  static constexpr const char* kRecoveryNotification = "DoRecovery";
  // The panel's first height: the results window's less this.
  static constexpr int kPanelHeightLess = 75;

  // reopenDelay: from the same-device alert's "choose another folder" to the panel shown again.
  ResultsRecovery(TCImageWindow* window, TCImageButton* button, int reopenDelay);
  ~ResultsRecovery() override;

  void setImport(bool import) { isImport_ = import; }
  void setDestinationProbe(DestinationProbe probe) { check_->setProbe(std::move(probe)); }
  // Whether free bytes leave room for size: more than 105 % of it (worked out in whole bytes, rounded down).
  static bool EnoughSpace(std::optional<std::uint64_t> freeBytes, std::uint64_t size);

  void recoveryButtonClick();
  void stopButtonAction(int action) override;

  // What is shown, for tests and the gallery.
  QFileDialog* panel() const { return panel_; }
  KDShowScanProgressWindowController* recoveryProgressWindow() const { return recoveryProgressWindow_; }
  KDScanEndSaveWindowController* scanEndSaveWC() const { return scanEndSaveWC_; }
  KDScanNotEndSaveWindowController* scanNotEndSaceWC() const { return scanNotEndSaceWC_; }
  const QString& recoverySavePathStr() const { return recoverySavePathStr_; }
  // Whether the panel's starting folder or the chosen folder is being looked at.
  bool checking() const { return check_->running(); }

 private:
  void ShowPanel(const QString& startingFolder);
  void CheckAndStart();
  void Checked(const DestinationLooks& looks);
  void StartRecovery();
  void recoveryAction();
  void alertNoCompetence();
  void alertSameDevice();
  void alertNoLeakOfSpace();
  void CloseProgressWindow();
  void showRecoveryEndWindow();
  void showRecoveryNotEndWindow();

  TCImageWindow* window_;
  TCImageButton* button_;
  const int reopenDelay_;
  DestinationCheck* check_;
  QPointer<QFileDialog> panel_;
  QRect rectNew_;
  QString recoverySavePathStr_;
  bool isImport_ = false;
  bool isBeginRecovery_ = false;
  bool isFinishRecovery_ = true;
  bool isRecoveryEndSHowWindow_ = false;
  QPointer<KDShowScanProgressWindowController> recoveryProgressWindow_;
  QPointer<KDScanEndSaveWindowController> scanEndSaveWC_;
  QPointer<KDScanNotEndSaveWindowController> scanNotEndSaceWC_;
};

}  // namespace quellsy::ui
