#include "UI/Shell/KDRootWindowController.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/APFSScanWindowController.h"
#include "UI/Shell/DeviceChoices.h"
#include "UI/Shell/PageLook.h"
#include "UI/Shell/ResultsWindowHandOver.h"
#include "UI/Shell/RootWindowHooks.h"

namespace quellsy::ui {
namespace {

constexpr int kTitleBarHeight = 50;

std::chrono::milliseconds& ScanStartDelay() {
  static std::chrono::milliseconds delay = KDRootWindowController::kDefaultScanStartDelay;
  return delay;
}

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

TCImageButton* MakeImageButton(const char* name, const QString& accessible, const QString& stem, QWidget* parent) {
  auto* button = new TCImageButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(accessible);
  button->setImageFromFileNormalName(stem + "_normal", stem + "_press", stem + "_hover", stem + "_disable");
  return button;
}

QLabel* MakeCaption(const char* name, QWidget* parent) {
  return MakePageLabel(QString(), QString::fromLatin1(name), SystemFont(15), kPageInk, parent);
}

void SetCaption(QLabel* label, const QString& text) {
  label->setText(text);
  label->setAccessibleName(text);
}

}  // namespace

KDRootWindowController::KDRootWindowController(QObject* parent)
    : QObject(parent), aWindow_(new TCImageWindow(QSize(kWidth, kHeight))) {
  aWindow_->setObjectName(QStringLiteral("rootWindow"));
  aWindow_->setWindowTitle(Text("WINDOW_TOP_TITLE"));
  aWindow_->setAccessibleName(Text("WINDOW_TOP_TITLE"));
  fade_ = new WindowFade(aWindow_);
  fade_->setFadedOut([this] {
    if (shuttingDown_) QCoreApplication::quit();
  });

  Backend().initFileType();
  ObserveNotification(this, kShowDetailWindow, [this](const bridge::Notification&) { showDetailWindow(); });
  selectScanType_ = 1;
  aWindow_->setTitleBarHeight(kTitleBarHeight);
  aWindow_->setTrafficLightButtonsLeftMargin(8);
  aWindow_->setTopButtonMoveUp(5);
  titleLabel_ = new QLabel(Text("WINDOW_TOP_TITLE"), aWindow_->titleBarView());
  titleLabel_->setObjectName(QStringLiteral("rootWindowTitle"));
  titleLabel_->setAccessibleName(titleLabel_->text());
  titleLabel_->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), 14));
  PlaceView(titleLabel_, {80, 18, 300, 25});

  // The pages sit side by side in a view twice the content's width; the content shows one at a time.
  QWidget* content = aWindow_->contentView();
  PaintWhite(content);
  pagesView_ = new QWidget(content);
  pagesView_->setObjectName(QStringLiteral("rootPages"));
  pagesView_->setAccessibleName(Text("WINDOW_TOP_TITLE"));
  PlaceView(pagesView_, {0, 0, 2.0 * content->width(), static_cast<qreal>(content->height())});

  buildTileBarView();
  buildPageButtons();
  buildFristPageView();
  // The close button ends the program (the application delegate asks first when something runs).
  if (TCWindowButton* close = aWindow_->standardWindowButton(WindowButtonKind::kClose)) {
    close->disconnect(fade_);
    connect(close, &QAbstractButton::clicked, this, &KDRootWindowController::closeWindow);
  }
  Backend().ReleaseDataRecovery();
}

KDRootWindowController::~KDRootWindowController() {
  if (!ownedByWindow_) delete aWindow_;
}

TCImageWindow* KDRootWindowController::MakeMainWindow(const std::string& importPath) {
  if (Backend().IsAppRunning()) {
    Backend().CloseApp();
    return nullptr;
  }
  auto* root = new KDRootWindowController;
  root->SetImportPath(importPath);
  root->ownedByWindow_ = true;
  root->setParent(root->aWindow_);
  return root->aWindow_;
}

void KDRootWindowController::SetScanStartDelay(std::chrono::milliseconds delay) { ScanStartDelay() = delay; }

void KDRootWindowController::show() {
  if (Backend().IsAppRunning()) {
    Backend().CloseApp();
    return;
  }
  CentreOnScreen(aWindow_);
  aWindow_->show();
  aWindow_->raise();
  aWindow_->activateWindow();
  if (rsfPath_.empty()) return;
  // The file named at start-up opens once, over the shown window.
  const std::string path = std::exchange(rsfPath_, std::string());
  QTimer::singleShot(0, this, [this, path] {
    if (const auto& open = GetRootWindowHooks().openScanResult) open(*this, path);
  });
}

void KDRootWindowController::buildTileBarView() {
  aWindow_->setShowsTitle(false);
  const RootWindowHooks& hooks = GetRootWindowHooks();
  aboutButton_ = MakeTitleBarButton(QStringLiteral("aboutButton"), QStringLiteral("About us"),
                                    QStringLiteral("icon_infor"), {860, 20, 16, 16}, aWindow_->titleBarView());
  aboutButton_->setVisible(static_cast<bool>(hooks.showAbout));
  connect(aboutButton_, &QAbstractButton::clicked, this, &KDRootWindowController::aboutAction);
  importButton_ = MakeTitleBarButton(QStringLiteral("importButton"), Text("RVT_TWO_IMPORT_BUTTON_TIP"),
                                     QStringLiteral("icon_import"), {828, 20, 16, 16}, aWindow_->titleBarView());
  importButton_->setVisible(static_cast<bool>(hooks.importScanResult));
  connect(importButton_, &QAbstractButton::clicked, this, &KDRootWindowController::importButtonAction);
}

void KDRootWindowController::buildPageButtons() {
  QWidget* content = aWindow_->contentView();
  backHomeButton_ = MakeImageButton("backHomeButton", Text("COMM_BACK_BUTTON"), QStringLiteral("back"), content);
  PlaceView(backHomeButton_, {20, 15, 60, 60});
  backLabel_ = MakeCaption("backLabel", content);
  PlaceView(backLabel_, {90, 30, 200, 30});
  continueButton_ = MakeImageButton("continueButton", Text("RVT_THREE_SCAN_BUTTON"), QStringLiteral("scan"), content);
  PlaceView(continueButton_, {820, 15, 60, 60});
  continueLabel_ = MakeCaption("continueLabel", content);
  continueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  PlaceView(continueLabel_, {610, 30, 200, 30});
  connect(backHomeButton_, &QAbstractButton::clicked, this, &KDRootWindowController::backHome);
  connect(continueButton_, &QAbstractButton::clicked, this, &KDRootWindowController::ContinueButtonClicked);
  ShowPageButtons(false);
}

void KDRootWindowController::ShowPageButtons(bool shown) {
  for (QWidget* widget : std::initializer_list<QWidget*>{backHomeButton_, backLabel_, continueButton_, continueLabel_}) {
    widget->setVisible(shown);
    if (shown) widget->raise();
  }
}

void KDRootWindowController::buildFristPageView() {
  aWindow_->setTitleBarHeight(kTitleBarHeight);
  if (selectTypeVC_) selectTypeVC_->deleteLater();
  selectTypeVC_ = new KDSelectTypeViewController(this, pagesView_);
  PlaceView(selectTypeVC_, {0, 0, KDSelectTypeViewController::kWidth, KDSelectTypeViewController::kHeight});
  selectTypeVC_->show();
  selectTypeVC_->setSelectAllCount(0);
  selectTypeVC_->allTypesButtonClick();
  whichPage_ = 2;
  backHomeButton_->setIsFocus(false);
}

void KDRootWindowController::nextButtonActionWithAllTypeArr(const std::vector<std::string>& types) {
  allTypeArr_ = types;
  selectValues_ = 0;
  for (const std::string& type : types) selectValues_ |= std::stoi(type);
  selectTypesContinouButtonClick();
}

void KDRootWindowController::selectTypesContinouButtonClick() {
  if (whichPage_ == 2) {
    continueButton_->setButtonEnabled(false);
    backHomeButton_->setButtonEnabled(false);
    getDiskData();
    return;
  }
  if (selectVolumeData_ && selectVolumeData_->beCanOpen())
    HandOverToResultsWindow();
  else
    ShowCannotOpenNotice();
}

void KDRootWindowController::getDiskData() {
  StopObserving(this);
  ObserveNotification(this, kDeviceListReady, [this](const bridge::Notification&) { InitFinished(); });
  Backend().NotifiyDeviceInfoAfterInit(kDeviceListReady);
}

void KDRootWindowController::InitFinished() {
  StopObserving(this);
  const DeviceItems all = Backend().GetDeviceInfoToArray();
  const DeviceChoices choices = CountDeviceChoices(ListedDevices(all));
  backHomeButton_->setImageFromFileNormalName(QStringLiteral("back_normal"), QStringLiteral("back_press"),
                                              QStringLiteral("back_hover"), QStringLiteral("back_disable"));
  backHomeButton_->setButtonEnabled(true);
  SetCaption(backLabel_, Text("COMM_BACK_BUTTON"));
  whichPage_ = 3;
  Backend().SetRecoveryType(static_cast<unsigned>(selectValues_));
  // A single choice is scanned at once, when it can be opened; otherwise the page shows it (with the notice).
  if (choices.count == 1 && choices.last->beCanOpen()) {
    selectVolumeData_ = choices.last;
    selectTypesContinouButtonClick();
    return;
  }
  ShowDevicePage(all, choices.first);
  if (choices.count == 1) {
    selectVolumeData_ = choices.last;
    selectTypesContinouButtonClick();
  }
}

void KDRootWindowController::ShowDevicePage(const DeviceItems& all, const std::shared_ptr<DiskVolumeNodeData>& first) {
  if (selectDiskVC_) selectDiskVC_->deleteLater();
  selectDiskVC_ = new KDSelectDiskViewController(this, pagesView_);
  // The window's own page buttons stand in for the page's.
  selectDiskVC_->backButton()->hide();
  selectDiskVC_->scanButton()->hide();
  PlaceView(selectDiskVC_, {900, -30, KDSelectDiskViewController::kWidth, KDSelectDiskViewController::kHeight});
  selectDiskVC_->show();
  continueButton_->setImageFromFileNormalName(QStringLiteral("scan_normal"), QStringLiteral("scan_press"),
                                              QStringLiteral("scan_hover"), QStringLiteral("scan_disable"));
  SetCaption(continueLabel_, Text("RVT_THREE_SCAN_BUTTON"));
  ShowPageButtons(true);
  animationContinueViewFristView(selectTypeVC_, selectDiskVC_);
  continueButton_->setButtonEnabled(false);
  selectDiskVC_->setSelectDiskVolume(first);
  selectDiskVC_->setAllDiskArr(all);
  selectDiskVC_->InitFinished();
}

void KDRootWindowController::ContinueButtonClicked() {
  // Scan on the device page goes the page's way: the Desktop entry scans its volume.
  if (whichPage_ == 3 && selectDiskVC_)
    selectDiskVC_->scanButtonAction();
  else
    selectTypesContinouButtonClick();
}

void KDRootWindowController::changeSelectDiskViewContinueButtonEnabled(std::shared_ptr<DiskVolumeNodeData> item) {
  continueButton_->setButtonEnabled(item != nullptr);
  if (item) selectVolumeData_ = std::move(item);
}

void KDRootWindowController::doubleClickedListToScan(int desktop) {
  selectDesktop_ = desktop;
  selectTypesContinouButtonClick();
}

void KDRootWindowController::HandOverToResultsWindow() {
  IResultsWindow* results = MakeResultsWindow();
  if (!results) return;
  if (selectDiskVC_) {
    selectDiskVC_->removeNotification();
    selectDiskVC_->disableRefreshDevice();
  }
  const QRect main = aWindow_->frameGeometry();
  aWindow_->hide();
  if (deletailWindow_) deletailWindow_->close();
  deletailWC_ = results;
  deletailWindow_ = results->window();
  results->setSelectDiskVolumeData(selectVolumeData_);
  results->setScanTypeNum(selectScanType_);
  results->setSelectDesktop(selectDesktop_);
  QWidget* window = results->window();
  PlaceResultsWindow(window, main);
  window->show();
  window->raise();
  window->activateWindow();
  QTimer::singleShot(ScanStartDelay(), this, &KDRootWindowController::getDataForDeletailPage);
  StopObserving(this);
}

void KDRootWindowController::PlaceResultsWindow(QWidget* results, const QRect& mainFrame) {
  results->move(mainFrame.x(),
                mainFrame.y() + mainFrame.height() + kResultsWindowDrop - results->frameGeometry().height());
}

void KDRootWindowController::showImportedResults(IResultsWindow* results, const std::string& path) {
  if (!results) return;
  importFilePath_ = path;
  if (selectDiskVC_) {
    selectDiskVC_->removeNotification();
    selectDiskVC_->disableRefreshDevice();
  }
  aWindow_->hide();
  if (deletailWindow_ && deletailWindow_ != results->window()) deletailWindow_->close();
  deletailWC_ = results;
  deletailWindow_ = results->window();
  deletailWindow_->show();
  deletailWindow_->raise();
  deletailWindow_->activateWindow();
  StopObserving(this);
  if (ownedByWindow_) aWindow_->deleteLater();
}

void KDRootWindowController::getDataForDeletailPage() {
  if (deletailWindow_) deletailWC_->getData();
  if (ownedByWindow_) aWindow_->deleteLater();
}

void KDRootWindowController::ShowCannotOpenNotice() {
  auto* notice = new APFSScanWindowController;
  CentreOnScreen(notice->window());
  QPointer<TCImageWindow> main = aWindow_;
  ModalRunner::beginModalForWindow(notice->window(), [main](int) {
    if (main) main->activateWindow();
  });
}

void KDRootWindowController::backHome() {
  if (whichPage_ != 3) {
    aWindow_->setTopButtonMoveUp(0);
    aWindow_->setTitleBarHeight(kTitleBarHeight);
    ShowPageButtons(false);
    titleLabel_->show();
    aWindow_->setShowsTitle(false);
    aWindow_->titleBarView()->update();
    whichPage_ = 1;
    return;
  }
  const bool hasEight = std::find(allTypeArr_.begin(), allTypeArr_.end(), "8") != allTypeArr_.end();
  if (!hasEight || !isSelectOffice_) {
    isSelectOffice(false);
    selectTypeVC_->removeSelectOffice();
  } else {
    isSelectOffice(true);
  }
  // The file-type page has a Continue of its own: the page buttons go with the device page.
  animationBackViewFristView(selectTypeVC_, selectDiskVC_);
  whichPage_ = 2;
  ShowPageButtons(false);
}

void KDRootWindowController::animationContinueViewFristView(QWidget* first, QWidget* second) {
  if (first) PlaceView(first, {-kSlideDistance, 0, static_cast<qreal>(first->width()), static_cast<qreal>(first->height())});
  if (second) PlaceView(second, {0, 0, static_cast<qreal>(second->width()), static_cast<qreal>(second->height())});
}

void KDRootWindowController::animationBackViewFristView(QWidget* first, QWidget* second) {
  if (first) PlaceView(first, {0, 0, static_cast<qreal>(first->width()), static_cast<qreal>(first->height())});
  if (second)
    PlaceView(second, {kSlideDistance, 0, static_cast<qreal>(second->width()), static_cast<qreal>(second->height())});
}

void KDRootWindowController::importButtonAction() {
  if (const auto& import = GetRootWindowHooks().importScanResult) import(*this);
}

void KDRootWindowController::aboutAction() {
  if (const auto& about = GetRootWindowHooks().showAbout) about(*aWindow_);
}

void KDRootWindowController::closeWindow() {
  aWindow_->hide();
  bridge::PostOnMainThread(bridge::Notification{kAppWillTerminate, {}, {}});
}

bool KDRootWindowController::applicationShouldTerminate() {
  if (shuttingDown_) return true;
  shuttingDown_ = true;
  fade_->fadeOut();
  return false;
}

void KDRootWindowController::doSowExportQimWindow() {
  auto* panel = new QFileDialog(aWindow_, Text("RVT_THREE_DMG_PANEL_TITLE"), QString(),
                                Text("RVT_THREE_DMG_PANEL_FILTER") + QStringLiteral(" (*.dmg *.DMG)"));
  panel->setObjectName(QStringLiteral("diskImagePanel"));
  panel->setAccessibleName(Text("RVT_THREE_DMG_PANEL_TITLE"));
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setFileMode(QFileDialog::ExistingFile);
  panel->setAttribute(Qt::WA_DeleteOnClose);
  connect(panel, &QFileDialog::fileSelected, this, &KDRootWindowController::loadQimWithPath);
  panel->open();
}

void KDRootWindowController::loadQimWithPath(const QString& path) {
  if (QFileInfo(path).suffix().compare(QStringLiteral("dmg"), Qt::CaseInsensitive) != 0 || !selectDiskVC_) return;
  selectDiskVC_->RefreshDevice(path.toStdString());
}

void KDRootWindowController::showDetailWindow() {
  if (deletailWindow_) deletailWindow_->show();
}

}  // namespace quellsy::ui
