// The results window's controls built in code - the control strip with the scan buttons, labels, progress bar,
// recovery, export and deep-scan buttons; the search field's menu; the title bar's about button - and the
// layout when the window is resized.

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <algorithm>

#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/Autoresize.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/MAAttachedWindow.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/SummaryText.h"
#include "UI/Shell/ResultsWindowNeighbours.h"

namespace quellsy::ui {
namespace {

constexpr int kMaxRecentSearches = 10;
const QColor kDeepScanTitle = QColor::fromRgbF(0.27058823529411763f, 0.5882352941176471f, 1.0f);

// A button of the strip: its four looks from the stem's drawings, its tool tip, its names.
TCImageButton* StripButton(QWidget* parent, const char* name, const QString& stem, const QString& tip,
                           const QRectF& frame, unsigned mask) {
  auto* button = new TCImageButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(tip);
  button->setToolTip(tip);
  button->setImageFromFileNormalName(stem + QStringLiteral("_normal"), stem + QStringLiteral("_press"),
                                     stem + QStringLiteral("_hover"), stem + QStringLiteral("_disable"));
  PlaceView(button, frame, mask);
  return button;
}

QLabel* StripLabel(QWidget* parent, const char* name, const QString& text, const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(text);
  label->setFont(font);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  return label;
}

}  // namespace

void KDDeletailWindowController::buildDetailViewWindowTitleBar() {
  if (!backHomeButton_) {
    backHomeButton_ = StripButton(blowView_, "backHomeButton", QStringLiteral("icon_home"), Text("Back home"),
                                  QRectF(20, 15, 60, 60), kNotSizable);
    backHomeButton_->setButtonEnabled(false);
    connect(backHomeButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::backButtonAction);
  }
  if (!progressView_) {
    progressView_ = new KDProgressView(blowView_);
    progressView_->setObjectName(QStringLiteral("progressView"));
    progressView_->setAccessibleName(Text("RVT_FOUR_PROGRESS"));
    PlaceView(progressView_, QRectF(0, 86, 900, 4), kWidthSizable);
  }
  createExportButton(1);
  if (!mainBox_) {
    mainBox_ = new QFrame(blowView_);
    mainBox_->setObjectName(QStringLiteral("mainBox"));
    mainBox_->setAccessibleName(mainBox_->objectName());
    mainBox_->setFrameShape(QFrame::NoFrame);
    PlaceView(mainBox_, QRectF(175, 0, 720, 90), kWidthSizable);
    abox_ = new QWidget(mainBox_);
    abox_->setObjectName(QStringLiteral("abox"));
    abox_->setAccessibleName(abox_->objectName());
    PlaceView(abox_, QRectF(0, 0, 720, 90), kWidthSizable);
  }
  if (!pauseButton_) {
    pauseButton_ = StripButton(abox_, "pauseButton", QStringLiteral("pause"), Text("Pause"),
                               QRectF(322, 32, 18, 18), kMinXMargin);
    pauseButton_->setButtonEnabled(false);
    connect(pauseButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::pauseButtonClick);
  }
  if (!continueScanButton_) {
    continueScanButton_ = StripButton(abox_, "continueScanButton", QStringLiteral("play"), Text("Continue"),
                                      QRectF(322, 32, 18, 18), kMinXMargin);
    continueScanButton_->hide();
    connect(continueScanButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::pauseButtonClick);
  }
  if (!stopButton_) {
    stopButton_ = StripButton(abox_, "stopButton", QStringLiteral("stop"), Text("Stop"), QRectF(352, 32, 18, 18),
                              kMinXMargin);
    stopButton_->setButtonEnabled(false);
    connect(stopButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::stopButtonClick);
  }
  if (!selectFilesLabel_) {
    selectFilesLabel_ =
        StripLabel(abox_, "selectFilesLabel",
                   SummaryText("RVT_FOUR_SELECT_FILES", 0, 0),
                   NamedFont(QStringLiteral("Helvetica Neue Thin"), 16));
    PlaceView(selectFilesLabel_, QRectF(0, 32, 300, 22), kWidthSizable);
    selectFilesLabel_->hide();
    changeSelectCountLabelPos();
  }
  if (!recovertyButton_) {
    recovertyButton_ = StripButton(abox_, "recovertyButton", QStringLiteral("btn_recover"),
                                   Text("RVT_FOUR_RECOVERY_WINDOW_SAVE_BUTTON"), QRectF(386, 22, 138, 41), kMinXMargin);
    recovertyButton_->setToolTip(QString());
    recovertyButton_->setTextWithName(Text("RVT_FOUR_RECOVERY_WINDOW_SAVE_BUTTON"), QRectF(0, 0, 138, 41));
    recovertyButton_->textField()->setFont(NamedFont(QStringLiteral("Helvetica"), 15));
    recovertyButton_->setButtonEnabled(false);
    connect(recovertyButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::recoveryButtonClick);
  }
  if (!advButton_) {
    advButton_ = StripButton(abox_, "advButton", QStringLiteral("btn_ds"), Text("deep scan"),
                             QRectF(534, 22, 166, 41), kMinXMargin);
    updateButtonTitle();
    advButton_->setButtonEnabled(false);
    connect(advButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::deepSrcanButtonAction);
  }
  if (!findFilesLabel_) {
    findFilesLabel_ = StripLabel(abox_, "findFilesLabel", QString(), NamedFont(QStringLiteral("Helvetica Light"), 13));
    PlaceView(findFilesLabel_, QRectF(0, 43, 300, 17));
  }
  if (!remainTimeLabel_) {
    remainTimeLabel_ = StripLabel(abox_, "remainTimeLabel", QString(), NamedFont(QStringLiteral("Helvetica Light"), 13));
    PlaceView(remainTimeLabel_, QRectF(0, 23, 300, 17));
  }

  search_->setEnabled(false);
  addSearchHistoryMenu();
  ShowWaitingTexts();
  progressView_->changeProgressValue(0);
  buildTileBarView();
}

void KDDeletailWindowController::buildTileBarView() {
  if (aboutButton_) return;
  aboutButton_ = new TCImageButton(titleBarView_);
  aboutButton_->setObjectName(QStringLiteral("aboutButton"));
  aboutButton_->setAccessibleName(Text("MENU_ABOUT_NAME"));
  aboutButton_->setToolTip(Text("MENU_ABOUT_NAME"));
  aboutButton_->setImageFromFileNormalName(QStringLiteral("icon_infor"), QStringLiteral("icon_infor_hover"),
                                           QStringLiteral("icon_infor_hover"), QStringLiteral("icon_infor"));
  PlaceView(aboutButton_, QRectF(860, 10, 16, 16), kMinXMargin);
  connect(aboutButton_, &TCImageButton::clicked, this, [] { ShowAboutWindow(); });
}

void KDDeletailWindowController::createExportButton(int show) {
  if (isImport_) {
    if (exportButton_) exportButton_->hide();
    if (advButton_) advButton_->hide();
    return;
  }
  if (!exportButton_) {
    exportButton_ = StripButton(blowView_, "exportButton", QStringLiteral("icon_export"),
                                Text("RVT_FOUR_SAVE_BUTTON_TIP"), QRectF(80, 15, 60, 60), kNotSizable);
    exportButton_->setButtonEnabled(false);
    connect(exportButton_, &TCImageButton::clicked, this, &KDDeletailWindowController::exportButtonAction);
  }
  if (show) exportButton_->show();
}

void KDDeletailWindowController::updateButtonTitle() {
  advButton_->setTextWithName(Text("Deep Scan"), QRectF(0, 0, 166, 41));
  QFont font = NamedFont(QStringLiteral("Helvetica Neue Thin"), 14);
  font.setUnderline(true);
  advButton_->textField()->setFont(font);
  advButton_->setTitleColor(kDeepScanTitle);
}

void KDDeletailWindowController::changeSelectCountLabelPos() {
  if (QString::fromStdString(UserDefaults::Instance().PreferredLanguage()) == QStringLiteral("es"))
    PlaceView(selectFilesLabel_, QRectF(0, 35, 400, 22), kWidthSizable);
}

void KDDeletailWindowController::addSearchHistoryMenu() {
  if (!searchMenu_) {
    searchMenu_ = new QMenu(Text("SEARCH_MENU"), search_);
    searchMenu_->setObjectName(QStringLiteral("searchMenu"));
    searchMenu_->setAccessibleName(Text("SEARCH_MENU"));
    QAction* open = search_->addAction(QIcon(NamedImages::Pixmap(QStringLiteral("icon_search"))),
                                       QLineEdit::LeadingPosition);
    open->setObjectName(QStringLiteral("searchMenuAction"));
    open->setToolTip(Text("RECENT_SEARCH"));
    connect(open, &QAction::triggered, this, [this] {
      searchMenu_->popup(search_->mapToGlobal(QPoint(0, search_->height())));
    });
  }
  searchMenu_->clear();
  std::vector<std::string> recents =
      UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches).value_or(std::vector<std::string>());
  if (recents.size() > kMaxRecentSearches) recents.resize(kMaxRecentSearches);
  if (recents.empty()) {
    searchMenu_->addAction(Text("NO_RECENT_SEARCH"))->setEnabled(false);
  } else {
    searchMenu_->addAction(Text("RECENT_SEARCH"))->setEnabled(false);
    for (const std::string& recent : recents) {
      const QString text = QString::fromStdString(recent);
      connect(searchMenu_->addAction(text), &QAction::triggered, search_, [this, text] { search_->setText(text); });
    }
    searchMenu_->addSeparator();
  }
  connect(searchMenu_->addAction(Text("CLEAR")), &QAction::triggered, this, &KDDeletailWindowController::selectClear);
}

void KDDeletailWindowController::selectClear() {
  UserDefaults::Instance().SetStringList(UserDefaults::kRecentSearches, {});
  addSearchHistoryMenu();
}

void KDDeletailWindowController::windowDidResize() {
  if (!progressView_) return;
  // Before the scan starts the bridge still reports the last one's progress: the bar then shows its least.
  double percent = 0;
  std::uint64_t files = 0;
  if (Backend().IsScanRunning()) Backend().GetScanProgress(percent, files);
  progressView_->changeProgressValue(static_cast<float>(std::max(percent, 1.0)));
  const int left = splistLeftView_->width();
  if (left < kLeftPaneMin || left > kLeftPaneMax) {
    const int width = std::clamp(left, kLeftPaneMin, kLeftPaneMax);
    splistView_->setSizes({width, splistView_->width() - width - splistView_->handleWidth()});
  }
  if (!isClodePopView_) PlaceHint();
}

}  // namespace quellsy::ui
