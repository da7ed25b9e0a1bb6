#pragma once
// One result tree of the results window: its rows with a check box, an icon and a label (ResultTreeModel),
// selected by a click or the up and down arrows only (typing does not jump to a row), expanded and collapsed
// by a double click. A click on a row's box asks the model to toggle its mark and leaves the selection as it is.

#include <QTreeView>

namespace quellsy::ui {

class CheckBoxDelegate;
class ResultTreeModel;

class CommOutlineView : public QTreeView {
  Q_OBJECT

 public:
  CommOutlineView(ResultTreeModel* model, QWidget* parent = nullptr);

  ResultTreeModel* treeModel() const { return model_; }
  // Selects the first root row (the window lists its files); false when the tree is empty.
  bool selectRootItem();
  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // The row whose box the pointer pressed, invalid when none.
  QModelIndex BoxAt(const QPoint& point) const;

  ResultTreeModel* model_;
  CheckBoxDelegate* delegate_;
  QPersistentModelIndex pressedBox_;
};

}  // namespace quellsy::ui
