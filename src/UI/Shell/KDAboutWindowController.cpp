#include "UI/Shell/KDAboutWindowController.h"

#include <QFontMetrics>
#include <QLabel>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/KDLinkUrl.h"
#include "UI/Shell/TitledWindow.h"

namespace quellsy::ui {
namespace {

constexpr double kWidth = KDAboutWindowController::kWindowSize.width();
constexpr double kLogoSide = 88;

// "1.0 (1)": the version's name and its build number, as far as the installed settings hold them.
QString VersionText() {
  const platform::SettingsFile installed = PrivateData::Installed();
  QString text = QString::fromStdString(installed.GetString("Version").value_or(std::string()));
  if (const auto build = installed.GetInteger("VersionCheck"))
    text += (text.isEmpty() ? QStringLiteral("%1") : QStringLiteral(" (%1)")).arg(*build);
  return text;
}

}  // namespace

KDAboutWindowController::KDAboutWindowController() {
  const TitledWindow made = MakeTitledWindow(QStringLiteral("aboutWindow"), kWindowSize, kTitleBarHeight,
                                             QRectF(70, 0, 300, 22), 13);
  window_ = made.window;
  fade_ = made.fade;
  titleLabel_ = made.titleLabel;
  setParent(window_);
  QWidget* content = window_->contentView();

  MakeImageLabel(content, QStringLiteral("aboutLogo"), QStringLiteral("logo"),
                 QRectF((kWidth - kLogoSide) / 2, 184, kLogoSide, kLogoSide));
  MakeTextLabel(content, QStringLiteral("aboutName"), Text("WINDOW_TOP_TITLE"), BoldSystemFont(22), Qt::AlignCenter,
                QRectF(20, 146, kWidth - 40, 30));
  const QString version = VersionText();
  MakeTextLabel(content, QStringLiteral("aboutVersion"),
                version.isEmpty() ? QString() : FormatText(Text("ABOUT_VERSION"), {version}), SystemFont(13),
                Qt::AlignCenter, QRectF(20, 124, kWidth - 40, 20));
  MakeTextLabel(content, QStringLiteral("aboutDescription"), Text("ABOUT_DESCRIPTION"), SystemFont(12),
                Qt::AlignHCenter | Qt::AlignTop, QRectF(40, 62, kWidth - 80, 52));

  // The link's text with a line of its own width under it.
  aboutlink_ = new KDHandButton(Text("About us"), content);
  aboutlink_->setObjectName(QStringLiteral("aboutlink"));
  aboutlink_->setAccessibleName(aboutlink_->text());
  QFont font = aboutlink_->font();
  font.setUnderline(false);
  aboutlink_->setFont(font);
  const double linkWidth = QFontMetrics(font).horizontalAdvance(aboutlink_->text()) + 4;
  PlaceView(aboutlink_, QRectF((kWidth - linkWidth) / 2, 26, linkWidth, 20));
  aboutlinkLine_ = new QWidget(content);
  aboutlinkLine_->setObjectName(QStringLiteral("aboutlinkLine"));
  aboutlinkLine_->setAccessibleName(aboutlink_->text());
  aboutlinkLine_->setStyleSheet(QStringLiteral("background:#3582f8"));
  aboutlinkLine_->setAttribute(Qt::WA_StyledBackground);
  PlaceView(aboutlinkLine_, QRectF((kWidth - linkWidth) / 2 + 2, 26, linkWidth - 4, 1));
  connect(aboutlink_, &KDHandButton::clicked, this, &KDAboutWindowController::linkButtonAction);
}

void KDAboutWindowController::linkButtonAction() { KDLinkUrl::OpenUrl("AboutURL"); }

void KDAboutWindowController::closeWindow() { fade_->closeNow(); }

}  // namespace quellsy::ui
