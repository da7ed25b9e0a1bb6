#include "UI/Shell/KDCheckUpdateWindowController.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

#include "UI/Kit/Autoresize.h"
#include "UI/Kit/ButtonStyles.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/KDLinkUrl.h"
#include "UI/Shell/TitledWindow.h"

namespace quellsy::ui {
namespace {

constexpr double kContentHeight = KDCheckUpdateWindowController::kWindowSize.height() -
                                  KDCheckUpdateWindowController::kTitleBarHeight;
constexpr double kContentWidth = KDCheckUpdateWindowController::kWindowSize.width();
constexpr double kIconSide = 64;

}  // namespace

KDCheckUpdateWindowController::KDCheckUpdateWindowController(int timeoutMs) : timeoutMs_(timeoutMs) {
  const TitledWindow made = MakeTitledWindow(QStringLiteral("updateWindow"), kWindowSize, kTitleBarHeight,
                                             QRectF(80, 0, 300, 25), 14);
  window_ = made.window;
  fade_ = made.fade;
  setParent(window_);
  QWidget* content = window_->contentView();

  checkProgressView_ = MakeView("checkProgressView");
  MakeTextLabel(checkProgressView_, QStringLiteral("checkingLabel"), Text("UPDATE_CHECKING"), SystemFont(15),
            Qt::AlignCenter, QRectF(40, 170, 400, 26));
  progressBar_ = new QProgressBar(checkProgressView_);
  progressBar_->setObjectName(QStringLiteral("progressBar"));
  progressBar_->setAccessibleName(Text("UPDATE_CHECKING"));
  progressBar_->setRange(0, 0);  // busy: no amount is known
  progressBar_->setTextVisible(false);
  progressBar_->setStyleSheet(
      QStringLiteral("QProgressBar{background:#e8f0fe;border:none;border-radius:3px}"
                     "QProgressBar::chunk{background:#3582f8;border-radius:3px}"));
  PlaceView(progressBar_, QRectF(140, 145, 200, 6));

  noNetworkView_ = MakeMessageView("noNetworkView", "update_offline", "UPDATE_NO_NETWORK_TITLE",
                                   "UPDATE_NO_NETWORK_NODE");
  noUpdateView_ = MakeMessageView("noUpdateView", "update_latest", "UPDATE_NO_UPDATE_TITLE", "UPDATE_NO_UPDATE_NODE");

  haveUpdateView_ = MakeView("haveUpdateView");
  MakeImageLabel(haveUpdateView_, QStringLiteral("haveUpdateIcon"), QStringLiteral("update_new"),
            QRectF(24, 238, 48, 48));
  titleLable_ = MakeTextLabel(haveUpdateView_, QStringLiteral("titleLable"), QString(), BoldSystemFont(16),
                          Qt::AlignLeft | Qt::AlignVCenter, QRectF(88, 262, 370, 24));
  versionLabel_ = MakeTextLabel(haveUpdateView_, QStringLiteral("versionLabel"), QString(), SystemFont(13),
                            Qt::AlignLeft | Qt::AlignVCenter, QRectF(88, 238, 370, 20));
  changeValueScrollView_ = new QScrollArea(haveUpdateView_);
  changeValueScrollView_->setObjectName(QStringLiteral("changeValueScrollView"));
  changeValueScrollView_->setAccessibleName(QStringLiteral("new features"));
  changeValueScrollView_->setFrameShape(QFrame::NoFrame);
  changeValueScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  changeValueScrollView_->setStyleSheet(QStringLiteral("QScrollArea{background:#f6f8fb;border-radius:6px}"));
  PlaceView(changeValueScrollView_, QRectF(24, 60, kListWidth + 2, 164));
  updateButton_ = MakeTextButton(haveUpdateView_, QStringLiteral("updateButton"), Text("UPDATE_DOWNLOAD_BUTTON"),
                             kDefaultButtonStyle, QRectF(kContentWidth - 24 - 96 - 12 - 120, 16, 120, 30));
  connect(updateButton_, &QPushButton::clicked, this, &KDCheckUpdateWindowController::updateClickHereAction);

  // Over every view, at the foot.
  closeButton_ = MakeTextButton(content, QStringLiteral("closeButton"), Text("UPDATE_CLOSE_BUTTON"), kPlainButtonStyle,
                            QRectF(kContentWidth - 24 - 96, 16, 96, 30));
  connect(closeButton_, &QPushButton::clicked, this, &KDCheckUpdateWindowController::closeWindowAction);

  for (TCWindowButton* button : {window_->standardWindowButton(WindowButtonKind::kClose), window_->closeButton()})
    if (button) connect(button, &TCWindowButton::clicked, this, &KDCheckUpdateWindowController::closeWindow);
  fade_->setFadedOut([this] { Closed(); });
  Show(View::kChecking);
}

QWidget* KDCheckUpdateWindowController::MakeView(const char* name) {
  auto* view = new QWidget(window_->contentView());
  view->setObjectName(QString::fromLatin1(name));
  view->setAccessibleName(QString::fromLatin1(name));
  PlaceView(view, QRectF(0, 0, kContentWidth, kContentHeight), kWidthSizable | kHeightSizable);
  return view;
}

QWidget* KDCheckUpdateWindowController::MakeMessageView(const char* name, const char* image, const char* title,
                                                        const char* detail) {
  QWidget* view = MakeView(name);
  const QString stem = QString::fromLatin1(name);
  MakeImageLabel(view, stem + QStringLiteral("Icon"), QString::fromLatin1(image),
            QRectF((kContentWidth - kIconSide) / 2, 196, kIconSide, kIconSide));
  MakeTextLabel(view, stem + QStringLiteral("Title"), Text(title), BoldSystemFont(17), Qt::AlignCenter,
            QRectF(30, 156, kContentWidth - 60, 28));
  MakeTextLabel(view, stem + QStringLiteral("Detail"), Text(detail), SystemFont(13), Qt::AlignHCenter | Qt::AlignTop,
            QRectF(50, 80, kContentWidth - 100, 68));
  return view;
}

void KDCheckUpdateWindowController::Show(View view) {
  view_ = view;
  checkProgressView_->setVisible(view == View::kChecking);
  noNetworkView_->setVisible(view == View::kNoNetwork);
  noUpdateView_->setVisible(view == View::kNoUpdate);
  haveUpdateView_->setVisible(view == View::kHaveUpdate);
  closeButton_->raise();
}

void KDCheckUpdateWindowController::getVersionChange() {
  if (fetch_) return;
  Show(View::kChecking);
  fetch_ = new UpdateListFetch(UpdateListFetch::AddressesFromLinks(), timeoutMs_, this);
  connect(fetch_, &UpdateListFetch::finished, this, [this](const UpdateCheckResult& result) {
    fetch_->deleteLater();
    showCheckResult(result);
  });
}

void KDCheckUpdateWindowController::showCheckResult(const UpdateCheckResult& result) {
  // A list that could not be read says nothing about newer versions: the window says the check failed instead of
  // calling the program up to date.
  if (!result.network || !result.list)
    Show(View::kNoNetwork);
  else
    whatIsNewVersionDiff(result.list);
  emit checked();
}

void KDCheckUpdateWindowController::whatIsNewVersionDiff(const std::optional<UpdateVersionList>& remote) {
  if (!remote || !IsNewerThanInstalled(*remote)) return Show(View::kNoUpdate);
  titleLable_->setText(FormatText(Text("UPDATE_RELEASED_TITLE"), {remote->version}));
  titleLable_->setAccessibleName(titleLable_->text());
  versionLabel_->setText(FormatText(Text("UPDATE_NEW_FEATURES"), {remote->version}));
  versionLabel_->setAccessibleName(versionLabel_->text());

  const QFont measure = SystemFont(kMeasureFontSize);
  double total = 0;
  for (const auto& feature : remote->features)
    total += std::max(kCountedRowHeight, heightForStringDrawing(feature.second, measure, kMeasureWidth));
  // Whole points, so that the rows placed from its top edge meet it exactly.
  total = std::ceil(std::max(total, kMinimumListHeight));

  delete showVersionScrollView_;
  showVersionScrollView_ = new QWidget;
  showVersionScrollView_->setObjectName(QStringLiteral("showVersionScrollView"));
  showVersionScrollView_->setAccessibleName(versionLabel_->text());
  showVersionScrollView_->resize(static_cast<int>(kListWidth), static_cast<int>(total));
  double used = 0;
  for (const auto& [number, text] : remote->features) {
    const double height = std::max(kMinimumRowHeight, heightForStringDrawing(text, measure, kMeasureWidth));
    used += height;
    QLabel* row = MakeTextLabel(showVersionScrollView_, QStringLiteral("feature%1").arg(number),
                            FormatText(QStringLiteral("%d.%@"), {static_cast<long long>(number), text}),
                            NamedFont(QStringLiteral("Helvetica Neue Light"), 13), Qt::AlignLeft | Qt::AlignTop,
                            QRectF(0, total - used, kRowWidth, height));
    row->setToolTip(text);
  }
  changeValueScrollView_->setWidget(showVersionScrollView_);
  // setWidget() makes the list paint the window's grey over the scroll area's own background.
  showVersionScrollView_->setAutoFillBackground(false);
  changeValueScrollView_->verticalScrollBar()->setValue(0);
  Show(View::kHaveUpdate);
}

double KDCheckUpdateWindowController::heightForStringDrawing(const QString& text, const QFont& font, double width) {
  const QRectF bounds(0, 0, width, std::numeric_limits<float>::max());
  return QFontMetricsF(font).boundingRect(bounds, Qt::TextWordWrap, text).height();
}

void KDCheckUpdateWindowController::closeWindow() {
  fade_->closeNow();
  Closed();
}

void KDCheckUpdateWindowController::Closed() {
  if (delegate_) delegate_();
}

void KDCheckUpdateWindowController::updateClickHereAction() { KDLinkUrl::OpenUrl("UpdateURL"); }

}  // namespace quellsy::ui
