#include "UI/Kit/Grid/CNGridViewItemBase.h"

#include "UI/Kit/Grid/CNGridNotifications.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {

CNGridViewItemBase::CNGridViewItemBase(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("gridItem"));
  setAccessibleName(Text("KIT_GRID_TILE"));
  resize(defaultItemSize());
  ObserveNotification(this, kCNGridViewSelectAllItemsNotification, [this](const auto&) { setSelected(true); });
  ObserveNotification(this, kCNGridViewDeSelectAllItemsNotification, [this](const auto&) { setSelected(false); });
}

CNGridViewItemBase::~CNGridViewItemBase() { StopObserving(this); }

void CNGridViewItemBase::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CNGridViewItemBase::setHovered(bool hovered) { hovered_ = hovered; }

void CNGridViewItemBase::prepareForReuse() {
  index_ = kCNNotFound;
  selected_ = false;
  selectable_ = true;
  hovered_ = false;
}

}  // namespace quellsy::ui
