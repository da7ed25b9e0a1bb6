#pragma once
// Text cells of tables and outlines with a small icon in front of the text (the device list, the file table,
// the folder tree). The icon of a row is its decoration (else the cell's own image); it is drawn at 18 x 18
// whatever its size, in a left part 21 points wide, and the text takes the rest. Editing, selecting and sizing
// use the icon's real size. DetailTextAndImageCell also places its text itself: vertically centred on the
// text's own height, half a point up.

#include <QImage>
#include <QRectF>
#include <QStyledItemDelegate>

namespace quellsy::ui {

class ImageAndTextCell : public QStyledItemDelegate {
  Q_OBJECT

 public:
  static constexpr qreal kIconSide = 18;
  static constexpr qreal kIconGap = 3;

  explicit ImageAndTextCell(QObject* parent = nullptr);

  void setImage(const QImage& image) { image_ = image; }
  const QImage& image() const { return image_; }

  // Where an icon of iconSize lies in a cell frame; the zero rectangle without an icon.
  static QRectF imageFrameForCellFrame(const QRectF& frame, const QSizeF& iconSize);
  // Where the icon is drawn (18 x 18) in a cell frame of a top-left (flipped) view.
  static QRectF DrawnIconRect(const QRectF& frame);
  // The part left for the text when drawing (after 21 points) and when editing (after 3 + the icon's width).
  static QRectF DrawnTextRect(const QRectF& frame, bool hasIcon);
  static QRectF EditTextRect(const QRectF& frame, qreal iconWidth);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 protected:
  // The row's icon: its decoration, else the cell's image.
  QImage IconOf(const QModelIndex& index) const;
  // Draws the row's text into rect.
  virtual void DrawText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                        const QRectF& rect) const;

 private:
  QImage image_;
};

class DetailTextAndImageCell : public ImageAndTextCell {
  Q_OBJECT

 public:
  using ImageAndTextCell::ImageAndTextCell;

  // The text's rectangle in bounds for a text of textHeight: the bounds' horizontal extent, y centred.
  static QRectF titleRectForBounds(const QRectF& bounds, qreal textHeight);

 protected:
  void DrawText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                const QRectF& rect) const override;
};

}  // namespace quellsy::ui
