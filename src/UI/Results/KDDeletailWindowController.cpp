#include "UI/Results/KDDeletailWindowController.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QSplitter>
#include <QBoxLayout>

#include "Bridge/DiskVolumeNodeData.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/Autoresize.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsRecovery.h"
#include "UI/Results/SummaryText.h"

namespace quellsy::ui {
namespace {

constexpr const char* kScanNotification = "NormalScranValue";
constexpr const char* kDetachNotification = "RefreshDetachDevice";
const QColor kPaneBackground(0xf7, 0xf8, 0xfa);

QWidget* Pane(const char* name, QWidget* parent) {
  auto* pane = new QWidget(parent);
  pane->setObjectName(QString::fromLatin1(name));
  pane->setAccessibleName(pane->objectName());
  pane->setAutoFillBackground(true);
  return pane;
}

}  // namespace

KDDeletailWindowController::KDDeletailWindowController(ResultsWindowTimings timings)
    : timings_(std::move(timings)) {
  BuildWindow();
  ObserveNotification(this, kDetachNotification, [this](const bridge::Notification& note) { RefreshDevice(note); });
  isDeepScan_ = Backend().IsDeepScan();
  segment_->setEnabled(!isDeepScan_);
}

KDDeletailWindowController::~KDDeletailWindowController() { StopObserving(this); }

void KDDeletailWindowController::BuildWindow() {
  aWindow_ = new TCImageWindow(kWindowSize);
  setParent(aWindow_);
  aWindow_->setAttribute(Qt::WA_DeleteOnClose);
  aWindow_->setObjectName(QStringLiteral("resultsWindow"));
  aWindow_->setWindowTitle(Text("WINDOW_TOP_TITLE"));
  aWindow_->setAccessibleName(aWindow_->windowTitle());
  aWindow_->setMinimumSize(kMinimumSize);
  aWindow_->setTitleBarHeight(kTitleBarHeight);
  aWindow_->setTrafficLightButtonsLeftMargin(8);
  aWindow_->setTopButtonMoveUp(0);
  titleBarView_ = aWindow_->titleBarView();
  aWindow_->installEventFilter(this);

  titleLabel_ = new QLabel(Text("WINDOW_TOP_TITLE"), titleBarView_);
  titleLabel_->setObjectName(QStringLiteral("titleLabel"));
  titleLabel_->setAccessibleName(titleLabel_->text());
  titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titleLabel_->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), 14));
  PlaceView(titleLabel_, QRectF(80, 7, 300, 25));

  BuildContent();
  buildDetailViewWindowTitleBar();
  browser_ = new ResultsBrowser(*this, [this] { RefreshFoundFiles(); });
}

void KDDeletailWindowController::BuildContent() {
  QWidget* content = aWindow_->contentView();
  const QSizeF size = content->size();
  const qreal browserHeight = size.height() - kStripHeight - kSearchRowHeight;

  searchRow_ = Pane("searchRow", content);
  QPalette row = searchRow_->palette();
  row.setColor(QPalette::Window, Qt::white);
  searchRow_->setPalette(row);
  PlaceView(searchRow_, QRectF(0, size.height() - kSearchRowHeight, size.width(), kSearchRowHeight),
            kWidthSizable | kMinYMargin);
  search_ = new QLineEdit(searchRow_);
  search_->setObjectName(QStringLiteral("searchField"));
  search_->setAccessibleName(Text("SEARCH_MENU"));
  search_->setPlaceholderText(Text("SEARCH_MENU"));
  search_->setClearButtonEnabled(true);
  PlaceView(search_, QRectF(size.width() - 195, 3, 180, 25), kMinXMargin);
  segment_ = new SegmentedControl({QStringLiteral("icon_list"), QStringLiteral("icon_grid"), QStringLiteral("icon_coverflow")},
                                  {Text("RVT_FOUR_VIEW_LIST"), Text("RVT_FOUR_VIEW_GRID"), Text("RVT_FOUR_VIEW_COVERFLOW")},
                                  searchRow_);
  segment_->setObjectName(QStringLiteral("viewSegment"));
  segment_->setAccessibleName(Text("RVT_FOUR_VIEW_SWITCH"));
  PlaceView(segment_, QRectF(size.width() - 315, 3, 104, 25), kMinXMargin);

  splistView_ = new QSplitter(Qt::Horizontal, content);
  splistView_->setObjectName(QStringLiteral("splistView"));
  splistView_->setAccessibleName(splistView_->objectName());
  splistView_->setChildrenCollapsible(false);
  splistView_->setHandleWidth(1);
  PlaceView(splistView_, QRectF(0, kStripHeight, size.width(), browserHeight), kWidthSizable | kHeightSizable);

  splistLeftView_ = Pane("splistLeftView", splistView_);
  QPalette left = splistLeftView_->palette();
  left.setColor(QPalette::Window, kPaneBackground);
  left.setColor(QPalette::Base, kPaneBackground);
  splistLeftView_->setPalette(left);
  listPane_ = Pane("listPane", splistView_);
  QPalette right = listPane_->palette();
  right.setColor(QPalette::Window, Qt::white);
  listPane_->setPalette(right);

  splistView_->addWidget(splistLeftView_);
  splistView_->addWidget(listPane_);
  splistView_->setStretchFactor(1, 1);
  splistView_->setSizes({kLeftPaneMin + 1, static_cast<int>(size.width()) - kLeftPaneMin - 1});
  splistLeftView_->setMinimumWidth(kLeftPaneMin);
  splistLeftView_->setMaximumWidth(kLeftPaneMax);

  blowView_ = Pane("blowView", content);
  QPalette strip = blowView_->palette();
  strip.setColor(QPalette::Window, QColor(0xfb, 0xfc, 0xfd));
  blowView_->setPalette(strip);
  PlaceView(blowView_, QRectF(0, 0, size.width(), kStripHeight), kWidthSizable | kMaxYMargin);
}

void KDDeletailWindowController::setSelectDiskVolumeData(std::shared_ptr<DiskVolumeNodeData> data) {
  selectDiskVolumeData_ = std::move(data);
}

void KDDeletailWindowController::setScanTypeNum(int type) { scanTypeNum_ = type; }

void KDDeletailWindowController::setSelectDesktop(int desktop) {
  selectDesktop_ = desktop;
  if (selectDesktop_ == 1) ApplyDesktopMode();
}

void KDDeletailWindowController::ApplyDesktopMode() {
  search_->hide();
  PlaceView(segment_, QRectF(775, 3, 104, 25), kMinXMargin);
}

QWidget* KDDeletailWindowController::window() { return aWindow_; }

void KDDeletailWindowController::setNotification() {
  ObserveNotification(this, kScanNotification, [this](const bridge::Notification& notification) {
    DataInitFinished();
    TellIfTheDeviceStoppedAnswering(notification);
  });
}

void KDDeletailWindowController::clearImportData() { StopObserving(this); }

bool KDDeletailWindowController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == aWindow_) {
    switch (event->type()) {
      case QEvent::Show:
        FadeIn();
        break;
      case QEvent::Resize:
        windowDidResize();
        break;
      case QEvent::Close:
        // Every close request - the window's button, the keyboard, the window manager - asks first; the window
        // closes itself only by going home.
        if (!isBackHome_) {
          event->ignore();
          closeWindow();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void KDDeletailWindowController::FadeIn() {
  if (aWindow_->property("fadedIn").toBool()) return;
  aWindow_->setProperty("fadedIn", true);
  auto* fade = new QPropertyAnimation(aWindow_, "windowOpacity", aWindow_);
  fade->setDuration(timings_.fadeIn);
  fade->setStartValue(0.0);
  fade->setEndValue(1.0);
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void KDDeletailWindowController::DataInitFinished() {
  if (selectDesktop_ == 1 && Backend().IsScanRunning()) {
    getScanProgress();
    return;
  }
  RefreshFoundFiles();
  getScanProgress();
  if (!Backend().IsScanRunning()) ShowSummary();
  oldData_ = timings_.now();
}

void KDDeletailWindowController::RefreshFoundFiles() {
  browser_->Refresh(pathTree_.Refresh());
}

void KDDeletailWindowController::ShowSummary() {
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  Backend().GetSelectedFilesAmout(count, size);
  if (count > 0)
    browser_->showSelectFilesCountAndSize();
  else
    setFoundAllFiles();
}

void KDDeletailWindowController::setFoundAllFiles() {
  std::uint64_t size = 0;
  std::uint64_t count = 0;
  Backend().GetScanFileSize(size, count);
  selectFilesLabel_->setText(SummaryText("RVT_FOUR_ALL_FILES_SIZE", size, count));
  selectFilesLabel_->setAccessibleName(selectFilesLabel_->text());
}

void KDDeletailWindowController::recoveryButtonClick() {
  recovery()->setImport(isImport_);
  recovery()->recoveryButtonClick();
}

ResultsRecovery* KDDeletailWindowController::recovery() {
  if (!recovery_) recovery_ = new ResultsRecovery(aWindow_, recovertyButton_, timings_.reopenPanelDelay);
  return recovery_;
}

}  // namespace quellsy::ui
