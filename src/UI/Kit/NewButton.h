#pragma once
// The row cell of the results window's trees: a three-state check box at the cell's origin, a file icon and a
// name label, with the result-tree node of its row. Before a row is drawn or clicked the cell takes that row's
// data from the model: the name (display role), the icon (decoration role), the check state (check-state role,
// drawn with "pf_checkbox_no", "pf_checkbox_half", "pf_checkbox_yes") and the node (kNodeRole). A press in the
// check box's 15 x 30 area reports the cell to its delegate once; a process-wide latch then holds further
// reports off until changeVlaue() releases it, 0.2 s later, so that one press is one report however often the
// view asks.

#include <QImage>
#include <QRectF>
#include <QStyledItemDelegate>

class OpNodeData;

namespace quellsy::ui {

class NewButton;

class NewButtonDelegate {
 public:
  virtual ~NewButtonDelegate() = default;
  virtual void clickButtonAction(NewButton& cell) = 0;
};

class NewButton : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // The row's OpNodeData, as a pointer the tree owns (QVariant::fromValue<void*>).
  static constexpr int kNodeRole = Qt::UserRole + 1;
  static constexpr int kLatchMilliseconds = 200;

  explicit NewButton(QObject* parent = nullptr);

  const QString& label() const { return label_; }
  void setLabel(const QString& label) { label_ = label; }
  const QImage& iconImageCell() const { return iconImageCell_; }
  void setIconImageCell(const QImage& icon) { iconImageCell_ = icon; }
  OpNodeData* opNodeData() const { return opNodeData_; }
  void setOpNodeData(OpNodeData* node) { opNodeData_ = node; }
  const QString& name() const { return name_; }
  void setName(const QString& name) { name_ = name; }
  // Not owned.
  NewButtonDelegate* delegate() const { return delegate_; }
  void setDelegate(NewButtonDelegate* delegate) { delegate_ = delegate; }

  static QSizeF _imageSize() { return QSizeF(800, 22); }
  static QSizeF _iconImageSzie() { return QSizeF(18, 18); }
  // For a cell frame: the icon's rectangle (zero without an icon), the label's (zero without a label), and the
  // area a press on the check box must hit.
  static QRectF iconImageRectForBounds(const QRectF& frame, bool hasIcon);
  static QRectF imageRectForBounds(const QRectF& frame, bool hasLabel, bool hasIcon);
  static QRectF checkBoxArea(const QRectF& frame);

  // Releases the latch (also called 0.2 s after each report).
  static void changeVlaue();
  static bool IsLatched();
  // How long a report holds further ones off (tests hold it until they release it themselves).
  static void SetLatchMilliseconds(int milliseconds);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  struct Row {
    QString label;
    bool hasLabel = false;
    QImage icon;
    OpNodeData* node = nullptr;
    QVariant checkState;
  };
  static Row ReadRow(const QModelIndex& index);

  QString label_;
  QImage iconImageCell_;
  OpNodeData* opNodeData_ = nullptr;
  QString name_;
  NewButtonDelegate* delegate_ = nullptr;
};

// The check-box image of a three-state mark (0 unchecked, 1 partly, 2 checked): "pf_checkbox_no", ...
QString TreeCheckBoxImageName(int state);

}  // namespace quellsy::ui
