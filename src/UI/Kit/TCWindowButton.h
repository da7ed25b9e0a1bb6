#pragma once
// A window button (close, minimise, zoom, full screen) that shows one of five images by its state: active
// (enabled, its window key), not key (enabled, its window not key), inactive (disabled), rollover (enabled while
// the pointer is over any button of its group) and pressed (held down). It draws nothing else. The pointer
// counts as over a button within 4 points around it, so neighbours with a small gap hand the rollover on
// without a flicker. TCImageWindow makes its own three and takes a caller's in their place.

#include <QAbstractButton>
#include <QPixmap>
#include <QPointer>
#include <memory>

namespace quellsy::ui {

class TCWindowButtonGroup;

class TCWindowButton : public QAbstractButton {
  Q_OBJECT

 public:
  // How far around the button the pointer still counts as over it.
  static constexpr int kTrackingOutset = 4;

  // A button of size at (0, 0) in the group of groupIdentifier (the default group for an empty one).
  TCWindowButton(QSize size, const QString& groupIdentifier, QWidget* parent = nullptr);
  ~TCWindowButton() override;

  const QString& groupIdentifier() const { return groupIdentifier_; }
  TCWindowButtonGroup* group() const { return group_.get(); }

  const QPixmap& activeImage() const { return activeImage_; }
  const QPixmap& activeNotKeyWindowImage() const { return activeNotKeyWindowImage_; }
  const QPixmap& inactiveImage() const { return inactiveImage_; }
  const QPixmap& rolloverImage() const { return rolloverImage_; }
  const QPixmap& pressedImage() const { return pressedImage_; }
  void setActiveImage(const QPixmap& image) { activeImage_ = image; }
  void setActiveNotKeyWindowImage(const QPixmap& image) { activeNotKeyWindowImage_ = image; }
  void setInactiveImage(const QPixmap& image) { inactiveImage_ = image; }
  void setRolloverImage(const QPixmap& image) { rolloverImage_ = image; }
  void setPressedImage(const QPixmap& image) { pressedImage_ = image; }
  // The five looks by name (NamedImages), drawn at the button's size.
  void setImagesFromNames(const QString& active, const QString& notKey, const QString& inactive,
                          const QString& rollover, const QString& pressed);

  // The image shown when the button is not held down, and the one on screen now.
  const QPixmap& image() const { return image_; }
  const QPixmap& shownImage() const { return isDown() && !pressedImage_.isNull() ? pressedImage_ : image_; }
  bool isPointerInside() const { return pointerInside_; }

  void updateRollOverImage();
  void updateImage();
  void updateActiveImage();
  // The end of a live resize (and of a window's layout of its buttons): the group forgets its captures.
  void viewDidEndLiveResize();

  // The pointer came within the tracking area, or left it (the window's pointer tracking calls these).
  void mouseEntered();
  void mouseExited();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetImage(const QPixmap& image);
  void WatchWindow();
  void FullScreenChanged(bool entering);

  const QString groupIdentifier_;
  std::shared_ptr<TCWindowButtonGroup> group_;
  QPixmap activeImage_;
  QPixmap activeNotKeyWindowImage_;
  QPixmap inactiveImage_;
  QPixmap rolloverImage_;
  QPixmap pressedImage_;
  QPixmap image_;
  QPointer<QWidget> watchedWindow_;
  bool windowFullScreen_ = false;
  bool pointerInside_ = false;
};

}  // namespace quellsy::ui
