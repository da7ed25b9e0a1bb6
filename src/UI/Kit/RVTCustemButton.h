#pragma once
// A selectable tile: a white face with an icon that shows whether the tile is selected, optional title and
// description texts, and a hover background once hover tracking is set up. A press on an active tile flips
// its selection at once (also when the mouse is then released outside, which sends no action); the action,
// sent by the ordinary click, reads the new state from isSelected(). "isDisabled" YES means active. The tile
// lays its parts out from its top left corner.

#include <QAbstractButton>
#include <QImage>
#include <QRectF>

class QLabel;

namespace quellsy::ui {

class RVTCustemButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit RVTCustemButton(QWidget* parent = nullptr);

  // The icons of an unselected and of a selected tile, by name; shows the selected one.
  void setIconImage(const QString& icon, const QString& hoverIcon);
  // Makes the title and description texts, then sets up the hover background.
  void setTitleStr(const QString& title, const QString& node);
  // The "hover_bg" background (400 x 72) and hover tracking.
  void setHoverBgImage();
  // Active or not; redraws at once.
  void setButtonEnabled(bool active);
  // Selects or unselects without a click, showing the matching icon.
  void changeButtonStart(bool selected);

  bool isDisabled() const { return isDisabled_; }
  bool isSelected() const { return isSelected_; }
  void setIsSelected(bool selected) { isSelected_ = selected; }
  bool isFocus() const { return isFocus_; }
  void setIsFocus(bool focus) { isFocus_ = focus; }
  int buttonTag() const { return buttonTag_; }
  void setButtonTag(int tag) { buttonTag_ = tag; }
  QLabel* iconImageView() const { return iconImageView_; }
  QLabel* titleTextField() const { return titleTextField_; }
  QLabel* nodeTextField() const { return nodeTextField_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void ShowIcon(const QImage& icon);
  QLabel* MakeText(const QString& text, const QRectF& frame, qreal size, const QColor& colour, const char* name);

  QImage normalImage_;
  QImage hoverImage_;
  QImage disableImage_;
  QImage iconImage_;
  QImage iconHoverImage_;
  QLabel* iconImageView_ = nullptr;
  QLabel* titleTextField_ = nullptr;
  QLabel* nodeTextField_ = nullptr;
  bool isFocus_ = false;
  bool isDisabled_ = true;
  bool isSelected_ = true;
  bool tracksHover_ = false;
  QRectF dstRect_;
  QRectF srcRect_;
  int buttonTag_ = 0;
};

}  // namespace quellsy::ui
