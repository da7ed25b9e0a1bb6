#include "UI/Results/CommOutlineView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "UI/Kit/Fonts.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/ResultTreeModel.h"

namespace quellsy::ui {

CommOutlineView::CommOutlineView(ResultTreeModel* model, QWidget* parent)
    : QTreeView(parent), model_(model), delegate_(new CheckBoxDelegate(this)) {
  setModel(model_);
  setItemDelegate(delegate_);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setFrameShape(QFrame::NoFrame);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(18, 18));
  setFont(NamedFont(QStringLiteral("Helvetica Light"), 13));
  setTextElideMode(Qt::ElideRight);
  setExpandsOnDoubleClick(true);
  header()->setStretchLastSection(true);
}

QModelIndex CommOutlineView::BoxAt(const QPoint& point) const {
  const QModelIndex index = indexAt(point);
  if (!index.isValid() || !CheckBoxDelegate::BoxRect(visualRect(index)).contains(point)) return {};
  return index;
}

void CommOutlineView::mousePressEvent(QMouseEvent* event) {
  pressedBox_ = event->button() == Qt::LeftButton ? BoxAt(event->position().toPoint()) : QModelIndex();
  if (pressedBox_.isValid()) {
    event->accept();
    return;
  }
  QTreeView::mousePressEvent(event);
}

void CommOutlineView::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressedBox_.isValid()) {
    QTreeView::mouseReleaseEvent(event);
    return;
  }
  const QModelIndex box = BoxAt(event->position().toPoint());
  if (box == pressedBox_) model_->ToggleCheck(box);
  pressedBox_ = QPersistentModelIndex();
  event->accept();
}

void CommOutlineView::mouseDoubleClickEvent(QMouseEvent* event) {
  // A quick second click on a box is another click on it, not a request to expand the row.
  if (BoxAt(event->position().toPoint()).isValid()) {
    mousePressEvent(event);
    return;
  }
  QTreeView::mouseDoubleClickEvent(event);
}

bool CommOutlineView::selectRootItem() {
  const QModelIndex first = model_->index(0, 0);
  if (!first.isValid()) return false;
  selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
  return true;
}

void CommOutlineView::keyboardSearch(const QString&) {}

void CommOutlineView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
      QTreeView::keyPressEvent(event);
      return;
    default:
      event->ignore();
  }
}

}  // namespace quellsy::ui
