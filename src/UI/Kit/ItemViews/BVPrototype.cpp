#include "UI/Kit/ItemViews/BVPrototype.h"

#include "UI/Kit/NamedImages.h"

namespace quellsy::ui {

BVView* BVPrototype::loadView() {
  if (!view_) {
    view_ = new BVView();
    view_->setDelegate(this);
  }
  return view_;
}

void BVPrototype::setRepresentedObject(std::optional<std::uint64_t> key) {
  BVView* tile = loadView();
  if (!delegate_ || delegate_->viewLoadCnt() == 0) {
    tile->hide();
    return;
  }
  // A tile in a collection shows again; one without a parent stays a plain widget, not a window.
  if (tile->isHidden() && tile->parentWidget()) tile->show();
  if (!key) return;
  tile->setListData(*key);
  const QImage picture = files_.fileImage(*key);
  tile->setImage(picture.isNull() ? NamedImages::Image(QStringLiteral("logo"), QSize(55, 55)) : picture);
  const QString name = files_.fileNodeName(*key);
  tile->titleLabel()->setText(tile->titleLabel()->fontMetrics().elidedText(name, Qt::ElideRight,
                                                                          tile->titleLabel()->width()));
  tile->titleLabel()->setToolTip(name);
  tile->setAccessibleName(name);
  tile->setCheckBoxImage(files_.fileNodeState(*key) == 2 ? QStringLiteral("checkbox_yes")
                                                         : QStringLiteral("checkbox_no"));
  tile->deleteIamgeView()->setVisible(files_.isFileNodeDeleted(*key));
}

void BVPrototype::reLoadItemData() {
  if (delegate_) delegate_->reLoadCollectionViewData();
}

}  // namespace quellsy::ui
