#pragma once
// The main window: the title bar (title, About and Import), the file-type page and then the device page side by
// side in one double-width view that slides between them, and the page buttons (Back and Scan) below the device
// page. It ends in one of three ways: it hands the chosen device and scan mode to a new results window and hides,
// it shows the notice for an entry that cannot be opened (and stays), or an import opens a saved scan result.
//
//   KDRootWindowController root;   // or KDRootWindowController::MakeMainWindow(path)->show()
//   root.show();
//
// Pages: 2 (file types) at load, 3 (devices) after Continue, or a scan at once when the device page would offer
// a single choice; Back returns from 3 to 2. The window is not used again after a scan: going back home, the
// results window opens a new one with setIsNotFristLoad(true).

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDSelectDiskViewController.h"
#include "UI/Shell/KDSelectTypeViewController.h"

class QLabel;

namespace quellsy::ui {

class IResultsWindow;
class TCImageButton;
class WindowFade;

class KDRootWindowController : public QObject,
                               public KDSelectTypeViewControllerDelegate,
                               public KDSelectDiskViewControllerDelegate {
  Q_OBJECT

 public:
  static constexpr int kWidth = 900;
  static constexpr int kHeight = 600;
  // How far the pages slide.
  static constexpr int kSlideDistance = 916;
  // How far below the main window the results window opens (its lower edge below the main window's).
  static constexpr int kResultsWindowDrop = 50;
  static constexpr std::chrono::milliseconds kDefaultScanStartDelay{300};
  static constexpr const char* kDeviceListReady = "aInitFinished";
  static constexpr const char* kShowDetailWindow = "ShowDetailWindow";
  static constexpr const char* kAppWillTerminate = "appWillTerminate";

  explicit KDRootWindowController(QObject* parent = nullptr);
  ~KDRootWindowController() override;

  // The main window for a caller that keeps only the window (the application delegate, the results window going
  // back home): the controller lives as long as its window, which is deleted once it has handed over to a results
  // window. importPath is the scan-result file named at start-up. Null, with the program ended, when another
  // Quellsy is running. Not shown yet.
  static TCImageWindow* MakeMainWindow(const std::string& importPath);
  // Moves a results window to open kResultsWindowDrop below the main window's frame, keeping its own size.
  static void PlaceResultsWindow(QWidget* results, const QRect& mainFrame);

  // How long after showing the results window its scan is started (tests shorten it).
  static void SetScanStartDelay(std::chrono::milliseconds delay);

  // Shows the window centred; ends the program instead when another Quellsy is running.
  void show();
  TCImageWindow* window() const { return aWindow_; }

  // The scan-result file named at start-up: opened (through the hooks) once the window is first shown.
  void SetImportPath(const std::string& path) { rsfPath_ = path; }
  const std::string& rsfPath() const { return rsfPath_; }
  bool isNotFristLoad() const { return isNotFristLoad_; }
  void setIsNotFristLoad(bool value) { isNotFristLoad_ = value; }
  bool shuttingDown() const { return shuttingDown_; }
  void setShuttingDown(bool value) { shuttingDown_ = value; }
  // The program asks before it ends: yes once the window has faded out; otherwise the fade starts and the program
  // ends when it is over.
  bool applicationShouldTerminate();

  // The file-type page's delegate.
  void nextButtonActionWithAllTypeArr(const std::vector<std::string>& types) override;
  void changeScanTypeWithNum(int type) override { selectScanType_ = type; }
  void isSelectOffice(bool selected) override { isSelectOffice_ = selected; }
  // The device page's delegate.
  void changeSelectDiskViewContinueButtonEnabled(std::shared_ptr<DiskVolumeNodeData> item) override;
  void doubleClickedListToScan(int desktop) override;
  void backHome() override;
  void openDiskImage() override { doSowExportQimWindow(); }

  // Continue on the file-type page (the device list is asked for), Scan on the device page.
  void selectTypesContinouButtonClick();
  // The device list is ready: a scan at once, or the device page.
  void InitFinished();
  // Starts the scan of the results window handed over to.
  void getDataForDeletailPage();
  // Import, About and the window's close button.
  void importButtonAction();
  void aboutAction();
  void closeWindow();
  // The disk-image panel, and what it chose: a DMG image opened and listed on the device page.
  void doSowExportQimWindow();
  void loadQimWithPath(const QString& path);
  void showDetailWindow();
  // An import succeeded: results shows the restored scan and this window goes, as after a scan's hand-over.
  void showImportedResults(IResultsWindow* results, const std::string& path);
  const std::string& importFilePath() const { return importFilePath_; }

  int whichPage() const { return whichPage_; }
  const std::vector<std::string>& allTypeArr() const { return allTypeArr_; }
  int selectValues() const { return selectValues_; }
  int selectScanType() const { return selectScanType_; }
  int selectDesktop() const { return selectDesktop_; }
  bool selectOffice() const { return isSelectOffice_; }
  const std::shared_ptr<DiskVolumeNodeData>& selectVolumeData() const { return selectVolumeData_; }
  KDSelectTypeViewController* selectTypeVC() const { return selectTypeVC_; }
  KDSelectDiskViewController* selectDiskVC() const { return selectDiskVC_; }
  // The results window handed over to; null before, or once it has closed.
  IResultsWindow* deletailWC() const { return deletailWindow_ ? deletailWC_ : nullptr; }
  QLabel* titleLabel() const { return titleLabel_; }
  TCImageButton* aboutButton() const { return aboutButton_; }
  TCImageButton* importButton() const { return importButton_; }
  TCImageButton* backHomeButton() const { return backHomeButton_; }
  TCImageButton* continueButton() const { return continueButton_; }
  QLabel* backLabel() const { return backLabel_; }
  QLabel* continueLabel() const { return continueLabel_; }

 private:
  void buildTileBarView();
  void buildPageButtons();
  void buildFristPageView();
  void getDiskData();
  void ShowDevicePage(const DeviceItems& all, const std::shared_ptr<DiskVolumeNodeData>& first);
  void ShowPageButtons(bool shown);
  void HandOverToResultsWindow();
  void ShowCannotOpenNotice();
  void ContinueButtonClicked();
  static void animationContinueViewFristView(QWidget* first, QWidget* second);
  static void animationBackViewFristView(QWidget* first, QWidget* second);

  QPointer<TCImageWindow> aWindow_;
  WindowFade* fade_ = nullptr;
  QWidget* pagesView_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  TCImageButton* aboutButton_ = nullptr;
  TCImageButton* importButton_ = nullptr;
  TCImageButton* backHomeButton_ = nullptr;
  TCImageButton* continueButton_ = nullptr;
  QLabel* backLabel_ = nullptr;
  QLabel* continueLabel_ = nullptr;
  KDSelectTypeViewController* selectTypeVC_ = nullptr;
  KDSelectDiskViewController* selectDiskVC_ = nullptr;
  IResultsWindow* deletailWC_ = nullptr;
  QPointer<QWidget> deletailWindow_;

  int whichPage_ = 1;
  std::vector<std::string> allTypeArr_;
  int selectValues_ = 0;
  int selectScanType_ = 1;
  int selectDesktop_ = 0;
  bool isSelectOffice_ = false;
  std::shared_ptr<DiskVolumeNodeData> selectVolumeData_;
  std::string rsfPath_;
  std::string importFilePath_;
  bool shuttingDown_ = false;
  bool isNotFristLoad_ = false;
  bool ownedByWindow_ = false;
};

}  // namespace quellsy::ui
