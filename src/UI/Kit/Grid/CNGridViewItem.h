#pragma once
// The results grid's tile: a found file's thumbnail on a rounded background, its name in a label at the foot
// and a check box that checks or unchecks the file for recovery. The data source gives it the file's node
// (an identity for thumbnail delivery), its title, its check state and a placeholder picture; thumbnails
// arrive later, on the GUI thread, and one meant for a node the tile no longer shows is dropped.

#include <QImage>
#include <QLabel>
#include <QAbstractButton>
#include <QPixmap>
#include <QString>

#include "UI/Kit/Grid/CNGridViewItemBase.h"
#include "UI/Kit/Grid/CNGridViewItemLayout.h"

namespace quellsy::ui {

class CNGridViewItem;

// The tile's check box: its drawing and nothing else, so that a screenful of tiles paints quickly.
class CNGridCheckBox final : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CNGridCheckBox(QWidget* parent) : QAbstractButton(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class CNGridViewItemDelegate {
 public:
  virtual ~CNGridViewItemDelegate() = default;
  // The tile's check box was clicked: toggle the file at that index.
  virtual void doSelectItem(std::int64_t index) = 0;
  // True while checks are refused (a scan runs and is not paused): the click then changes nothing.
  virtual bool checksLocked() const { return false; }
};

class CNGridViewItem : public CNGridViewItemBase {
  Q_OBJECT

 public:
  // The thumbnail's largest side.
  static constexpr int kMaxImageSide = 90;

  explicit CNGridViewItem(const CNGridViewItemLayout* layout = nullptr,
                          const QString& reuseIdentifier = kCNDefaultItemIdentifier, QWidget* parent = nullptr);

  // Not owned.
  CNGridViewItemDelegate* delegate() const { return delegate_; }
  void setDelegate(CNGridViewItemDelegate* delegate) { delegate_ = delegate; }
  const QImage& itemImage() const { return itemImage_; }
  void setItemImage(const QImage& image);
  const QString& itemTitle() const { return itemTitle_; }
  void setItemTitle(const QString& title) { itemTitle_ = title; }
  // The label's text, cut at the tail to fit.
  void setTitleText(const QString& text);
  QLabel* titleLabel() const { return titleLabel_; }
  QAbstractButton* itemButton() const { return itemButton_; }
  // The check box's drawing ("checkbox_yes", "pf_checkbox_no", ...).
  void setCheckBoxImage(const QString& name);
  const QString& checkBoxImage() const { return checkBoxImage_; }
  // The file's check state (0 unchecked, 1 partly, 2 checked) as the data source knows it.
  int checkState() const { return checkState_; }
  void setCheckState(int state) { checkState_ = state; }
  const void* node() const { return node_; }
  void setNode(const void* node) { node_ = node; }
  const CNGridViewItemLayout& currentLayout() const { return layout_; }
  void setCurrentLayout(const CNGridViewItemLayout& layout);

  // A thumbnail for node: taken only while the tile still shows that node and the image is not empty.
  void updateImageViewWithImage(const QImage& image, const void* node);
  // Where the thumbnail is drawn in a tile of this size: each side at most kMaxImageSide with the aspect
  // kept, centred in the background and 10 points above its middle.
  static QRectF ImageRectForBounds(const QRectF& bounds, QSizeF imageSize);

  void setHovered(bool hovered) override;
  void prepareForReuse() override;
  void clearHovering() { setHovered(false); }
  void clearSelection() { setSelected(false); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void setItemSelectBoxClickAction();

  CNGridViewItemDelegate* delegate_ = nullptr;
  QImage itemImage_;
  QPixmap drawnImage_;  // itemImage_ at the size it is drawn, made once per picture
  QString itemTitle_;
  CNGridCheckBox* itemButton_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QString checkBoxImage_;
  int checkState_ = 0;
  const void* node_ = nullptr;
  CNGridViewItemLayout layout_;
};

}  // namespace quellsy::ui
