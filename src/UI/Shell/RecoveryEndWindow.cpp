#include "UI/Shell/RecoveryEndWindow.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "UI/Kit/ButtonStyles.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserOpener.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/TitledWindow.h"

namespace quellsy::ui {
namespace {

constexpr double kWidth = RecoveryEndWindow::kWindowSize.width();
constexpr double kContentHeight = RecoveryEndWindow::kWindowSize.height() - RecoveryEndWindow::kTitleBarHeight;
constexpr double kLinkWidth = kWidth - 48;

}  // namespace

RecoveryEndWindow::RecoveryEndWindow(const QString& objectName, const QString& title) {
  const TitledWindow made = MakeTitledWindow(objectName, kWindowSize, kTitleBarHeight, QRectF(80, 5, 300, 25), 14);
  aWindow_ = made.window;
  fade_ = made.fade;
  setParent(aWindow_);
  aWindow_->setTrafficLightButtonsLeftMargin(13);
  QWidget* content = aWindow_->contentView();
  title_ = MakeTextLabel(content, QStringLiteral("recoveryEndTitle"), title, BoldSystemFont(14),
                         Qt::AlignLeft | Qt::AlignVCenter, QRectF(24, kContentHeight - 44, kWidth - 48, 24));
  title_->setVisible(!title.isEmpty());
  note_ = MakeTextLabel(content, QStringLiteral("recoveryEndNode"), QString(), SystemFont(12),
                        Qt::AlignLeft | Qt::AlignTop, QRectF(24, 80, kWidth - 48, 44));
  savePathLabel_ = new KDHandButton(content);
  savePathLabel_->setObjectName(QStringLiteral("savePathLabel"));
  savePathLabel_->setFont(SystemFont(12));
  savePathLabel_->setStyleSheet(
      QStringLiteral("QPushButton{color:rgb(24,90,166);text-decoration:underline;border:none;background:transparent;"
                     "text-align:left;padding:0}"));
  PlaceView(savePathLabel_, QRectF(24, 56, kLinkWidth, 20));
  connect(savePathLabel_, &KDHandButton::clicked, this, &RecoveryEndWindow::jumpToSavePath);
  okButton_ = MakeTextButton(content, QStringLiteral("okButton"), Text("RVT_FOUR_RECOVERY_STOP_BUTTON"),
                             kDefaultButtonStyle, QRectF(kWidth - 124, 12, 100, 30));
  connect(okButton_, &QPushButton::clicked, this, &RecoveryEndWindow::okButtonAction);
}

void RecoveryEndWindow::ShowFolder(const QString& folder) {
  folder_ = folder;
  // A long path keeps its end, where the folder's own name is.
  savePathLabel_->setText(QFontMetrics(savePathLabel_->font()).elidedText(folder, Qt::ElideMiddle,
                                                                          static_cast<int>(kLinkWidth) - 4));
  savePathLabel_->setAccessibleName(folder.isEmpty() ? savePathLabel_->objectName() : folder);
  savePathLabel_->setToolTip(folder);
}

void RecoveryEndWindow::SetNote(const QString& text) {
  note_->setText(text);
  note_->setAccessibleName(text);
}

void RecoveryEndWindow::jumpToSavePath() {
  if (!folder_.isEmpty()) OpenInUserSession(folder_);
}

void RecoveryEndWindow::okButtonAction() { fade_->closeNow(); }

}  // namespace quellsy::ui
