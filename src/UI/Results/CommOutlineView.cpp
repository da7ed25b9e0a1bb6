#include "UI/Results/CommOutlineView.h"

#include <QHeaderView>
#include <QKeyEvent>

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
  connect(delegate_, &CheckBoxDelegate::checkClicked, model_, &ResultTreeModel::ToggleCheck);
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
