#include "UI/Shell/KDShowScanProgressWindowController.h"

#include <QLabel>
#include <QPushButton>

#include "UI/Kit/ButtonStyles.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/TitledWindow.h"

namespace quellsy::ui {
namespace {

constexpr double kWidth = KDShowScanProgressWindowController::kWindowSize.width();
constexpr double kContentHeight =
    KDShowScanProgressWindowController::kWindowSize.height() - KDShowScanProgressWindowController::kTitleBarHeight;

QWidget* MakePane(QWidget* content, const char* name) {
  auto* pane = new QWidget(content);
  pane->setObjectName(QString::fromLatin1(name));
  pane->setAccessibleName(pane->objectName());
  PlaceView(pane, QRectF(0, 0, kWidth, kContentHeight));
  return pane;
}

QLabel* PaneTitle(QWidget* pane, const char* name, const char* key) {
  return MakeTextLabel(pane, QString::fromLatin1(name), Text(key), BoldSystemFont(14), Qt::AlignLeft | Qt::AlignVCenter,
                       QRectF(24, kContentHeight - 44, kWidth - 48, 24));
}

QLabel* PaneText(QWidget* pane, const char* name, const char* key) {
  return MakeTextLabel(pane, QString::fromLatin1(name), Text(key), SystemFont(12), Qt::AlignLeft | Qt::AlignTop,
                       QRectF(24, 58, kWidth - 48, 48));
}

}  // namespace

KDShowScanProgressWindowController::KDShowScanProgressWindowController() {
  const TitledWindow made = MakeTitledWindow(QStringLiteral("recoveryProgressWindow"), kWindowSize, kTitleBarHeight,
                                             QRectF(80, 5, 300, 25), 14);
  aWindow_ = made.window;
  fade_ = made.fade;
  setParent(aWindow_);
  aWindow_->setTrafficLightButtonsLeftMargin(13);
  QWidget* content = aWindow_->contentView();

  recoveryProgressView_ = MakePane(content, "recoveryProgressView");
  titleLabel_ = PaneTitle(recoveryProgressView_, "progressTitle", "RVT_FOUR_RECOVER_PROGRESS_TITLE");
  progressBar_ = new KDProgressView(recoveryProgressView_);
  progressBar_->setObjectName(QStringLiteral("progressBar"));
  progressBar_->setAccessibleName(titleLabel_->text());
  PlaceView(progressBar_, QRectF(24, 84, kWidth - 48, 12));
  scaningFileName_ = MakeTextLabel(recoveryProgressView_, QStringLiteral("scaningFileName"), QString(), SystemFont(12),
                                   Qt::AlignLeft | Qt::AlignVCenter, QRectF(24, 56, kWidth - 48, 20));
  scaningFileName_->setWordWrap(false);
  scaningFileName_->setStyleSheet(QStringLiteral("color:#6f7c8c"));
  stopButton_ = MakeTextButton(recoveryProgressView_, QStringLiteral("stopButton"),
                               Text("RVT_FOUR_RECOVERY_STOP_YES_BUTTON"), kPlainButtonStyle,
                               QRectF(kWidth - 124, 12, 100, 30));
  connect(stopButton_, &QPushButton::clicked, this, &KDShowScanProgressWindowController::stopProgressButtonAction);

  warningView_ = MakePane(content, "warningView");
  warningTitle_ = PaneTitle(warningView_, "warningTitle", "RVT_FOUR_RECOVERY_STOP_TITLE");
  warningNode_ = PaneText(warningView_, "warningNode", "RVT_FOUR_RECOVERY_STOP_NODE");
  yesButton_ = MakeTextButton(warningView_, QStringLiteral("yesButton"), Text("RVT_FOUR_RECOVERY_STOP_YES_BUTTON"),
                              kDefaultButtonStyle, QRectF(kWidth - 124, 12, 100, 30));
  noButton_ = MakeTextButton(warningView_, QStringLiteral("noButton"), Text("RVT_FOUR_RECOVERY_STOP_NO_BUTTON"),
                             kPlainButtonStyle, QRectF(kWidth - 234, 12, 100, 30));
  connect(yesButton_, &QPushButton::clicked, this, &KDShowScanProgressWindowController::yesButtonAction);
  connect(noButton_, &QPushButton::clicked, this, &KDShowScanProgressWindowController::noButtonAction);

  noMemeryView_ = MakePane(content, "noMemeryView");
  noMemeryTitle_ = PaneTitle(noMemeryView_, "noMemeryTitle", "RVT_FOUR_RECOVERY_NO_SPACE_TITLE");
  noMemeryNode_ = PaneText(noMemeryView_, "noMemeryNode", "RVT_FOUR_RECOVERY_NO_SPACE_NODE");
  // Continue carries the alert's "go on" answer, Cancel its "give up" one.
  noMemeryContinueButton_ = MakeTextButton(noMemeryView_, QStringLiteral("noMemeryContinueButton"),
                                           Text("RVT_FOUR_RECOVERY_NO_SPACE_NO_BUTTON"), kDefaultButtonStyle,
                                           QRectF(kWidth - 124, 12, 100, 30));
  noMemeryCancelButton_ = MakeTextButton(noMemeryView_, QStringLiteral("noMemeryCancelButton"),
                                         Text("RVT_FOUR_RECOVERY_NO_SPACE_YES_BUTTON"), kPlainButtonStyle,
                                         QRectF(kWidth - 234, 12, 100, 30));
  connect(noMemeryContinueButton_, &QPushButton::clicked, this,
          &KDShowScanProgressWindowController::continueButtonAction);
  connect(noMemeryCancelButton_, &QPushButton::clicked, this, &KDShowScanProgressWindowController::cancelButtonAction);

  ShowOnly(recoveryProgressView_);
}

void KDShowScanProgressWindowController::ShowOnly(QWidget* pane) {
  for (QWidget* each : {recoveryProgressView_, warningView_, noMemeryView_}) each->setVisible(each == pane);
}

void KDShowScanProgressWindowController::changeProgressValue(double percentage, const QString* name) {
  progressValue_ = percentage;
  progressBar_->changeProgressValue(static_cast<float>(percentage));
  if (!name) return;
  scaningFileName_->setText(*name);
  scaningFileName_->setAccessibleName(name->isEmpty() ? scaningFileName_->objectName() : *name);
}

void KDShowScanProgressWindowController::setNoMemeryViewHidden() {
  ShowOnly(noMemeryView_);
}

void KDShowScanProgressWindowController::stopProgressButtonAction() {
  ShowOnly(warningView_);
  Report(1);
}

void KDShowScanProgressWindowController::noButtonAction() {
  ShowOnly(recoveryProgressView_);
  Report(1);
}

void KDShowScanProgressWindowController::yesButtonAction() {
  EndRun();
  Report(2);
}

void KDShowScanProgressWindowController::continueButtonAction() {
  ShowOnly(recoveryProgressView_);
  Report(1);
}

void KDShowScanProgressWindowController::cancelButtonAction() {
  EndRun();
  Report(2);
}

void KDShowScanProgressWindowController::EndRun() { fade_->closeNow(); }

void KDShowScanProgressWindowController::Report(int action) {
  if (delegate_) delegate_->stopButtonAction(action);
}

}  // namespace quellsy::ui
