#include "UI/Shell/APFSScanWindowController.h"

#include <QHBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowFade.h"
#include "UI/Shell/RootWindowHooks.h"

namespace quellsy::ui {
namespace {

// A thin grey edge drawn over the whole window, so that the frameless notice stands out from the white main
// window behind it.
class WindowEdge final : public QWidget {
 public:
  explicit WindowEdge(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("apfsScanWindowEdge"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    window->installEventFilter(this);
    setGeometry(window->rect());
    raise();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    if (event->type() == QEvent::ChildAdded) raise();
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QColor(0xc4, 0xca, 0xd1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

}  // namespace

APFSScanWindowController::APFSScanWindowController()
    : aWindow_(new TCImageWindow(QSize(480, 222))), fade_(new WindowFade(aWindow_)) {
  setParent(aWindow_);
  aWindow_->setAttribute(Qt::WA_DeleteOnClose);
  aWindow_->setObjectName(QStringLiteral("apfsScanWindow"));
  aWindow_->setWindowTitle(Text("WINDOW_TOP_TITLE"));
  aWindow_->setAccessibleName(Text("APFS_SCAN_NOTICE_TITLE"));
  aWindow_->setTitleBarHeight(22);
  aWindow_->setTrafficLightButtonsLeftMargin(13);

  auto* title = new QLabel(Text("WINDOW_TOP_TITLE"), aWindow_->titleBarView());
  title->setObjectName(QStringLiteral("apfsScanWindowTitle"));
  title->setAccessibleName(title->text());
  title->setFont(NamedFont(QStringLiteral("Helvetica Light"), 14));
  PlaceView(title, {80, 2, 300, 18});

  QWidget* content = aWindow_->contentView();
  auto* icon = new QLabel(content);
  icon->setObjectName(QStringLiteral("apfsScanWindowIcon"));
  icon->setAccessibleName(Text("APFS_SCAN_NOTICE_TITLE"));
  icon->setPixmap(NamedImages::Pixmap(QStringLiteral("warning"), QSize(56, 56)));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  icon->setFixedWidth(72);

  auto* message = new QLabel(Text("APFS_SCAN_NOTICE_TITLE"), content);
  message->setObjectName(QStringLiteral("apfsScanWindowMessage"));
  message->setAccessibleName(message->text());
  message->setFont(BoldSystemFont(15));
  message->setWordWrap(true);
  auto* informative = new QLabel(Text("APFS_SCAN_NOTICE_TEXT"), content);
  informative->setObjectName(QStringLiteral("apfsScanWindowText"));
  informative->setAccessibleName(informative->text());
  informative->setFont(SystemFont(13));
  informative->setWordWrap(true);

  linkButton_ = new KDHandButton(Text("APFS_SCAN_NOTICE_LINK"), content);
  linkButton_->setObjectName(QStringLiteral("apfsScanWindowLink"));
  linkButton_->setAccessibleName(linkButton_->text());
  linkButton_->setVisible(static_cast<bool>(GetRootWindowHooks().openLink));
  connect(linkButton_, &QPushButton::clicked, this, &APFSScanWindowController::linkButtonAction);

  okButton_ = new QPushButton(Text("ALERT_DEFAULT_BUTTON"), content);
  okButton_->setObjectName(QStringLiteral("apfsScanWindowOk"));
  okButton_->setAccessibleName(okButton_->text());
  okButton_->setDefault(true);
  okButton_->setMinimumWidth(96);
  connect(okButton_, &QPushButton::clicked, this, &APFSScanWindowController::okButtonAction);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(8);
  texts->addWidget(message);
  texts->addWidget(informative);
  texts->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(12);
  top->addWidget(icon);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(linkButton_);
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(20, 18, 20, 16);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  new WindowEdge(aWindow_);
}

void APFSScanWindowController::okButtonAction() { fade_->closeNow(); }

void APFSScanWindowController::linkButtonAction() {
  if (const auto& open = GetRootWindowHooks().openLink) open(kHelpLinkKey);
}

}  // namespace quellsy::ui
