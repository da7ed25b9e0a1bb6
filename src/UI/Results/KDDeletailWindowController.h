#pragma once
// The results window: the window in which a scan runs and its results are browsed. The root window hands it a
// device, a scan mode and the Desktop flag and asks it to scan (getData), or to show a restored scan
// (getImportData). One controller class, its work spread over small files:
//   KDDeletailWindowController.cpp  set-up, the hand-over, the observers, new results arriving
//   ResultsWindowStrip.cpp           the controls built in code (control strip, search field, title bar) and
//                                    the layout on resize
//   ResultsScanControl.cpp           starting, watching, pausing, stopping and ending a scan; the deep scan
//   ResultsWindowLeaving.cpp         close, back home, the save question, removal of the scanned device
//   ResultsDeepScanHint.cpp          the deep-scan hint pop-over
//   ResultsExport.cpp                the export of scan results to a scan-result file
// The found files show in the content between the search row and the control strip: the result trees on the
// left, the file table, the thumbnail grid or the cover flow on the right, with the search and the check marks
// (ResultsBrowser, in those two panes: treePane(), listPane()), brought up to date at each look at the path tree.
//
// GUI thread only: it reads the bridge's state through the facade (Backend()) and learns of new results from
// "NormalScranValue"; it never waits for the scan.

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "Bridge/Notification.h"
#include "UI/Kit/DestinationCheck.h"
#include "UI/Kit/MAAttachedWindow.h"
#include "UI/Results/KDDeepScanViewController.h"
#include "UI/Results/PathTreeMirror.h"
#include "UI/Results/ResultsWindowTimings.h"
#include "UI/Shell/ResultsWindowHandOver.h"

class DiskVolumeNodeData;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QTimer;

namespace quellsy::ui {

class ResultsBrowser;
class ResultsRecovery;
class KDProgressView;
class SegmentedControl;
class TCImageButton;
class TCImageWindow;

class KDDeletailWindowController final : public QObject,
                                         public IResultsWindow,
                                         public KDDeepScanViewControllerDelegate {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{900, 640};
  static constexpr QSize kMinimumSize{900, 560};
  static constexpr double kTitleBarHeight = 36;
  static constexpr int kStripHeight = 90;
  static constexpr int kSearchRowHeight = 31;
  static constexpr int kLeftPaneMin = 223;
  static constexpr int kLeftPaneMax = 400;
  // Where the deep-scan hint hangs from, in the window with the origin at its bottom left.
  static constexpr QPointF kHintPoint{80, 400};
  static constexpr int kHintSide = 11;  // below the point, extending rightwards
  static constexpr double kHintDistance = 10;
  static constexpr double kHintArrowBase = 20;
  static constexpr double kHintArrowHeight = 10;
  // Shown this many times in an installation, counted in "PrivateData" under "IsFristTime".
  static constexpr int kHintShowings = 2;

  // The window is made hidden; the controller belongs to it and goes when it closes.
  explicit KDDeletailWindowController(ResultsWindowTimings timings = ResultsWindowTimings());
  ~KDDeletailWindowController() override;
  // The factory the program installs (SetResultsWindowFactory).
  static IResultsWindow* Make() { return new KDDeletailWindowController; }

  // The hand-over from the root window.
  void setSelectDiskVolumeData(std::shared_ptr<DiskVolumeNodeData> data) override;
  void setScanTypeNum(int type) override;
  void setSelectDesktop(int desktop) override;
  void getData() override;
  void getImportData(const std::string& path) override;
  void clearImportData() override;
  QWidget* window() override;

  // Scan control.
  void getScanProgress();
  void showScanProgree();
  double doShowScanProgree();
  void beginShowFoundCountPoint();
  void showFoundCountPoint();
  void stopShowFoundCountPoint();
  void getFindFilesCountWith(const QString& suffix);
  void pauseButtonClick();
  void stopButtonClick();
  void stopAction();
  void doEndScan();
  void deepSrcanButtonAction();
  void doDeepScanAction();
  void setStopButtonCanBeUseState();
  void clearSelectState();

  // Results arriving ("NormalScranValue") and the summary of all found files.
  void DataInitFinished();
  void setFoundAllFiles();
  // After a scan: the summary of the checked files when there are any (a late notification of the ended scan
  // arrives after the user began checking), else of all found files.
  void ShowSummary();

  // Leaving: the close button, back home, the save question, removal of the scanned device.
  void closeWindow();
  void backButtonAction();
  // Whether the window may go: the results were saved, need no saving, or the user chose.
  bool SaveScanResult();
  void doBackHomeAction(int askToSave);
  void RefreshDevice(const bridge::Notification& notification);

  // The deep-scan hint.
  void showPopoverWithViewController(KDDeepScanViewController* controller);
  void popupViewHidden() override;

  // Controls built in code, and the layout on resize.
  void buildDetailViewWindowTitleBar();
  void buildTileBarView();
  void createExportButton(int show);
  void windowDidResize();
  void changeSelectCountLabelPos();
  void updateButtonTitle();
  void addSearchHistoryMenu();
  void selectClear();

  // The export of the scan's results (ResultsExport.cpp), and the recovery, which comes with its own windows.
  void exportButtonAction();
  // The export's folder looks, made at first use; tests give it their own probe.
  DestinationCheck* exportCheck();
  void recoveryButtonClick();
  // The recovery from this window (ResultsRecovery.h), made at first use.
  ResultsRecovery* recovery();

  // What the window shows, for its neighbours and tests.
  TCImageWindow* aWindow() const { return aWindow_; }
  QWidget* treePane() const { return splistLeftView_; }
  QWidget* listPane() const { return listPane_; }
  QSplitter* splistView() const { return splistView_; }
  TCImageButton* backHomeButton() const { return backHomeButton_; }
  TCImageButton* pauseButton() const { return pauseButton_; }
  TCImageButton* continueScanButton() const { return continueScanButton_; }
  TCImageButton* stopButton() const { return stopButton_; }
  TCImageButton* recovertyButton() const { return recovertyButton_; }
  TCImageButton* advButton() const { return advButton_; }
  TCImageButton* exportButton() const { return exportButton_; }
  TCImageButton* aboutButton() const { return aboutButton_; }
  QLabel* findFilesLabel() const { return findFilesLabel_; }
  QLabel* remainTimeLabel() const { return remainTimeLabel_; }
  QLabel* selectFilesLabel() const { return selectFilesLabel_; }
  KDProgressView* progressView() const { return progressView_; }
  QLineEdit* search() const { return search_; }
  QMenu* searchMenu() const { return searchMenu_; }
  SegmentedControl* segment() const { return segment_; }
  ResultsBrowser* browser() const { return browser_; }
  const PathTreeMirror& pathTree() const { return pathTree_; }
  MAAttachedWindow* attachedWindow() const { return attachedWindow_; }
  KDDeepScanViewController* deepScanVC() const { return deepScanVC_; }
  QTimer* getPorTimer() const { return getPorTimer_; }
  QTimer* foundCountTimer() const { return foundCountTimer_; }
  QTimer* endScanTimer() const { return endScanTimer_; }
  QTimer* hintTimer() const { return hintTimer_; }
  bool isDeepScan() const { return isDeepScan_; }
  bool isPause() const { return isPause_; }
  bool isImport() const { return isImport_; }
  bool isCanClick() const { return isCanClick_; }
  bool isCloseWindow() const { return isCloseWindow_; }
  bool isSelectBackHome() const { return isSelectBackHome_; }
  bool bSave() const { return bSave_; }
  int selectDesktop() const { return selectDesktop_; }
  void setBSave(bool saved) { bSave_ = saved; }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  void BuildWindow();
  void BuildContent();
  void ApplyDesktopMode();
  void setNotification();
  void FadeIn();
  void RefreshFoundFiles();
  // The export's steps after each folder look (ResultsExport.cpp).
  void ChooseExport(const QString& startingFolder);
  void ExportChecked(const QString& file, const DestinationLooks& looks);
  // The bottom bar during a complete scan: pause and stop moved right, the deep-scan button hidden.
  void ApplyCompleteScanFrames();
  void ShowWaitingTexts();
  void ShowFoundCount(std::uint64_t files, const QString& suffix);
  void ShowProgressTexts(std::uint64_t files, double percent, const std::string& remaining);
  // The browsing state at the scan's end; false when the window left instead (a confirmed close or back home).
  bool ShowEndState();
  void ScanNotStarted();
  // The scan's last notification says the device went away or shrank: told in words, the found files stay.
  void TellIfTheDeviceStoppedAnswering(const bridge::Notification& notification);
  void StopProgressTimer();
  void StartEndScanTimer();
  static void Stop(QTimer*& timer);
  void PauseUnlessPaused();
  void ResumeUnlessUserPaused(bool userPaused);
  // Pauses the scan and asks; confirmed runs on the default answer, the other one resumes it.
  void AskToStopAndLeave(const char* alertName, const QString& message, const QString& informative,
                         const QString& yes, const QString& no, void (KDDeletailWindowController::*confirmed)());
  void CloseConfirmed();
  void BackHomeConfirmed();
  // Hides the window and tells the application it may end.
  void LeaveWindow();
  bool IsScannedDevice(const std::string& removed) const;
  void RunDeepScanHint();
  // The hint's point in the window's own coordinates (y down).
  QPointF HintPoint() const;
  void PlaceHint();

  const ResultsWindowTimings timings_;

  TCImageWindow* aWindow_ = nullptr;
  QWidget* titleBarView_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QWidget* searchRow_ = nullptr;
  QWidget* blowView_ = nullptr;
  QFrame* mainBox_ = nullptr;
  QWidget* abox_ = nullptr;
  TCImageButton* backHomeButton_ = nullptr;
  TCImageButton* pauseButton_ = nullptr;
  TCImageButton* continueScanButton_ = nullptr;
  TCImageButton* stopButton_ = nullptr;
  TCImageButton* recovertyButton_ = nullptr;
  TCImageButton* advButton_ = nullptr;
  TCImageButton* aboutButton_ = nullptr;
  TCImageButton* exportButton_ = nullptr;
  QLabel* selectFilesLabel_ = nullptr;
  QLabel* findFilesLabel_ = nullptr;
  QLabel* remainTimeLabel_ = nullptr;
  KDProgressView* progressView_ = nullptr;
  QLineEdit* search_ = nullptr;
  QMenu* searchMenu_ = nullptr;
  SegmentedControl* segment_ = nullptr;
  QSplitter* splistView_ = nullptr;
  QWidget* splistLeftView_ = nullptr;
  QWidget* listPane_ = nullptr;
  ResultsBrowser* browser_ = nullptr;
  ResultsRecovery* recovery_ = nullptr;
  DestinationCheck* exportCheck_ = nullptr;

  PathTreeMirror pathTree_;

  std::shared_ptr<DiskVolumeNodeData> selectDiskVolumeData_;
  int scanTypeNum_ = 1;
  int selectDesktop_ = 0;

  bool isDeepScan_ = false;
  bool isPause_ = false;
  bool isImport_ = false;
  bool isCanClick_ = true;
  bool isCloseWindow_ = false;
  bool isBackHome_ = false;
  bool isSelectBackHome_ = false;
  bool bSave_ = false;
  bool isClodePopView_ = true;

  QPointer<MAAttachedWindow> attachedWindow_;
  QPointer<KDDeepScanViewController> deepScanVC_;
  bool hintMade_ = false;
  bool scanRefused_ = false;
  bool hasLeft_ = false;

  QTimer* getPorTimer_ = nullptr;
  QTimer* foundCountTimer_ = nullptr;
  QTimer* endScanTimer_ = nullptr;
  QTimer* hintTimer_ = nullptr;
  qint64 lastUpdateTime_ = 0;
  qint64 oldData_ = 0;
  int dotCounter_ = 0;
  QString dotsSuffix_;
};

}  // namespace quellsy::ui
