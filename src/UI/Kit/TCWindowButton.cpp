#include "UI/Kit/TCWindowButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>

#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TCWindowButtonGroup.h"

namespace quellsy::ui {
namespace {

// Follows the pointer for every window button: a button's tracking area reaches beyond its bounds, which Qt's
// enter and leave events do not, so the application's mouse moves are watched (they pass the application's
// filters even where no widget tracks the mouse).
class PointerTracking final : public QObject {
 public:
  // The one tracker of the application object, made with the first button.
  static PointerTracking* Instance() {
    if (!Current()) Current() = new PointerTracking(QCoreApplication::instance());
    return Current();
  }
  static QPointer<PointerTracking>& Current() {
    static QPointer<PointerTracking> tracking;
    return tracking;
  }
  void Add(TCWindowButton* button) { buttons_.insert(button); }
  void Remove(TCWindowButton* button) { buttons_.remove(button); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget) Follow(widget->window(), static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    } else if (event->type() == QEvent::Leave) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget && widget->isWindow()) LeaveWindow(widget);
    }
    return false;
  }

 private:
  explicit PointerTracking(QObject* parent) : QObject(parent) { QCoreApplication::instance()->installEventFilter(this); }

  void Follow(QWidget* window, QPoint global) {
    const auto buttons = buttons_;  // a handler may make or drop buttons
    for (TCWindowButton* button : buttons) {
      if (!buttons_.contains(button)) continue;
      const QRect area(button->mapToGlobal(QPoint(0, 0)), button->size());
      const int outset = TCWindowButton::kTrackingOutset;
      const bool inside = button->isVisible() && button->window() == window &&
                          area.adjusted(-outset, -outset, outset, outset).contains(global);
      if (inside && !button->isPointerInside()) button->mouseEntered();
      if (!inside && button->isPointerInside()) button->mouseExited();
    }
  }

  void LeaveWindow(QWidget* window) {
    const auto buttons = buttons_;
    for (TCWindowButton* button : buttons)
      if (buttons_.contains(button) && button->window() == window && button->isPointerInside()) button->mouseExited();
  }

  QSet<TCWindowButton*> buttons_;
};

}  // namespace

TCWindowButton::TCWindowButton(QSize size, const QString& groupIdentifier, QWidget* parent)
    : QAbstractButton(parent),
      groupIdentifier_(groupIdentifier),
      group_(TCWindowButtonGroup::sharedGroupWithIdentifier(groupIdentifier)) {
  setGeometry(QRect(QPoint(0, 0), size));
  setFocusPolicy(Qt::NoFocus);
  connect(group_.get(), &TCWindowButtonGroup::didUpdateRolloverState, this, &TCWindowButton::updateRollOverImage);
  PointerTracking::Instance()->Add(this);
  WatchWindow();
}

TCWindowButton::~TCWindowButton() {
  if (PointerTracking* tracking = PointerTracking::Current()) tracking->Remove(this);
  // A button that goes while pointed at gives its capture back.
  if (pointerInside_) group_->didReleaseMousePointer();
}

void TCWindowButton::setImagesFromNames(const QString& active, const QString& notKey, const QString& inactive,
                                        const QString& rollover, const QString& pressed) {
  activeImage_ = NamedImages::Pixmap(active, size());
  activeNotKeyWindowImage_ = NamedImages::Pixmap(notKey, size());
  inactiveImage_ = NamedImages::Pixmap(inactive, size());
  rolloverImage_ = NamedImages::Pixmap(rollover, size());
  pressedImage_ = NamedImages::Pixmap(pressed, size());
  updateRollOverImage();
}

void TCWindowButton::SetImage(const QPixmap& image) {
  image_ = image;
  update();
}

void TCWindowButton::updateRollOverImage() {
  if (group_->shouldDisplayRollOver() && isEnabled())
    SetImage(rolloverImage_);
  else
    updateImage();
}

void TCWindowButton::updateImage() {
  if (isEnabled())
    updateActiveImage();
  else
    SetImage(inactiveImage_);
}

void TCWindowButton::updateActiveImage() {
  SetImage(window() && window()->isActiveWindow() ? activeImage_ : activeNotKeyWindowImage_);
}

void TCWindowButton::viewDidEndLiveResize() {
  pointerInside_ = false;
  group_->resetMouseCaptures();
}

void TCWindowButton::mouseEntered() {
  pointerInside_ = true;
  group_->didCaptureMousePointer();
  updateRollOverImage();
}

void TCWindowButton::mouseExited() {
  pointerInside_ = false;
  group_->didReleaseMousePointer();
  updateRollOverImage();
}

void TCWindowButton::paintEvent(QPaintEvent*) {
  const QPixmap& shown = shownImage();
  if (shown.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(rect(), shown);
}

void TCWindowButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) SetImage(isEnabled() ? activeImage_ : inactiveImage_);
  QAbstractButton::changeEvent(event);
}

bool TCWindowButton::event(QEvent* event) {
  if (event->type() == QEvent::ParentChange) WatchWindow();
  // The key state of the window reaches its children as these two.
  if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate ||
      event->type() == QEvent::WindowDeactivate)
    updateImage();
  return QAbstractButton::event(event);
}

void TCWindowButton::WatchWindow() {
  QWidget* now = window();
  if (now == watchedWindow_) return;
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
  watchedWindow_ = now;
  windowFullScreen_ = now && now->isFullScreen();
  if (now && now != this) now->installEventFilter(this);
}

bool TCWindowButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) {
    const bool fullScreen = watchedWindow_->isFullScreen();
    if (fullScreen != windowFullScreen_) FullScreenChanged(fullScreen);
  }
  return QAbstractButton::eventFilter(watched, event);
}

void TCWindowButton::FullScreenChanged(bool entering) {
  windowFullScreen_ = entering;
  viewDidEndLiveResize();
  setVisible(!entering);
}

}  // namespace quellsy::ui
