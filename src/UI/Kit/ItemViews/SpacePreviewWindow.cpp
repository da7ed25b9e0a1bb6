#include "UI/Kit/ItemViews/SpacePreviewWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include "UI/Kit/Autoresize.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {

SpacePreviewWindow::SpacePreviewWindow() = default;

SpacePreviewWindow::~SpacePreviewWindow() {
  if (window_) window_->removeEventFilter(this);
}

TCImageWindow* SpacePreviewWindow::window() {
  if (!window_) {
    window_ = std::make_unique<TCImageWindow>(kWindowSize);
    window_->setObjectName(QStringLiteral("spacePreviewWindow"));
    window_->setAccessibleName(Text("KIT_PREVIEW_WINDOW"));
    window_->setWindowTitle(Text("WINDOW_TOP_TITLE"));
    imageView_ = new QLabel(window_->contentView());
    imageView_->setObjectName(QStringLiteral("spacePreviewImage"));
    imageView_->setAccessibleName(Text("KIT_PREVIEW_IMAGE"));
    imageView_->setAlignment(Qt::AlignCenter);
    const QSize content = window_->contentView()->size();
    PlaceView(imageView_, QRectF(10, 10, content.width() - 20, content.height() - 20),
              kWidthSizable | kHeightSizable);
    windowDidLoad();
  }
  return window_.get();
}

void SpacePreviewWindow::windowDidLoad() {
  window_->setTitleBarHeight(20);
  window_->setTrafficLightButtonsLeftMargin(8);
  if (!titleLabel_) {
    titleLabel_ = new QLabel(window_->titleBarView());
    titleLabel_->setObjectName(QStringLiteral("spacePreviewTitle"));
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titleLabel_->setFont(NamedFont(QStringLiteral("Helvetica Light"), 12));
    PlaceView(titleLabel_, QRectF(70, 2, 410, 16));
  }
  titleLabel_->setText(titleLabel_->fontMetrics().elidedText(strName_, Qt::ElideMiddle, titleLabel_->width()));
  titleLabel_->setToolTip(strName_);
  titleLabel_->setAccessibleName(strName_);
  showPicture();
  bClose_ = false;
  // The close button marks the preview closed before it goes.
  for (TCWindowButton* button : {window_->closeButton(), window_->standardWindowButton(WindowButtonKind::kClose)}) {
    if (!button) continue;
    button->disconnect(window_.get());
    connect(button, &TCWindowButton::clicked, this, &SpacePreviewWindow::closeWindow);
  }
  window_->installEventFilter(this);
}

void SpacePreviewWindow::showPicture() {
  if (showImage_.isNull()) {
    imageView_->clear();
    return;
  }
  // Never larger than the picture itself; smaller ones keep their size, larger ones shrink to fit.
  const QSize room = imageView_->size();
  const QImage shown = showImage_.width() > room.width() || showImage_.height() > room.height()
                           ? showImage_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                           : showImage_;
  imageView_->setPixmap(QPixmap::fromImage(shown));
}

void SpacePreviewWindow::updateShowImage(const QImage& image) {
  showImage_ = image;
  if (imageView_) showPicture();
}

void SpacePreviewWindow::showCentred(const QWidget* parent) {
  TCImageWindow* shown = window();
  const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame(QPoint(), shown->size());
    frame.moveCenter(screen->availableGeometry().center());
    shown->move(frame.topLeft());
  }
  shown->show();
  shown->raise();
}

void SpacePreviewWindow::closeWindow() {
  bClose_ = true;
  if (!window_) return;
  if (ModalRunner::isRunning(window_.get())) ModalRunner::endRun(window_.get(), kModalResponseStop);
  window_->hide();
}

bool SpacePreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  // Closed by the window manager: the same as the close button.
  if (watched == window_.get() && event->type() == QEvent::Close) {
    event->ignore();
    closeWindow();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

bool SpacePreviewToggle::Toggle(const QString& name, const QImage& picture, const QWidget* parent) {
  if (preview_ && !preview_->isClosed()) {
    preview_->closeWindow();
    preview_.reset();
    return false;
  }
  preview_ = std::make_unique<SpacePreviewWindow>();
  preview_->setStrName(name);
  preview_->setShowImage(picture);
  preview_->showCentred(parent);
  return true;
}

SpacePreviewWindow* SpacePreviewToggle::current() const {
  return preview_ && !preview_->isClosed() ? preview_.get() : nullptr;
}

}  // namespace quellsy::ui
