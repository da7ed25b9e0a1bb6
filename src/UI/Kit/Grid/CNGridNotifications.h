#pragma once
// The grid's notifications, posted to the default notification centre. The item index travels as decimal text
// under kCNGridViewItemIndexKey; a set of indexes as one record per index in the notification's items.

#include <string>

namespace quellsy::ui {

inline const std::string kCNGridViewSelectAllItemsNotification = "CNGridViewSelectAllItems";
inline const std::string kCNGridViewDeSelectAllItemsNotification = "CNGridViewDeSelectAllItems";
inline const std::string kCNGridViewWillHoverItemNotification = "CNGridViewWillHoverItem";
inline const std::string kCNGridViewWillUnhoverItemNotification = "CNGridViewWillUnhoverItem";
inline const std::string kCNGridViewWillSelectItemNotification = "CNGridViewWillSelectItem";
inline const std::string kCNGridViewDidSelectItemNotification = "CNGridViewDidSelectItem";
inline const std::string kCNGridViewWillDeselectItemNotification = "CNGridViewWillDeselectItem";
inline const std::string kCNGridViewDidDeselectItemNotification = "CNGridViewDidDeselectItem";
inline const std::string kCNGridViewWillDeselectAllItemsNotification = "CNGridViewWillDeselectAllItems";
inline const std::string kCNGridViewDidDeselectAllItemsNotification = "CNGridViewDidDeselectAllItems";
inline const std::string kCNGridViewDidClickItemNotification = "CNGridViewDidClickItem";
inline const std::string kCNGridViewDidDoubleClickItemNotification = "CNGridViewDidDoubleClickItem";
inline const std::string kCNGridViewRightMouseButtonClickedOnItemNotification =
    "CNGridViewRightMouseButtonClickedOnItem";

inline const std::string kCNGridViewItemIndexKey = "gridViewItemIndex";
inline const std::string kCNGridViewSelectedItemsKey = "CNGridViewSelectedItems";
inline const std::string kCNGridViewItemsIndexSetKey = "CNGridViewItemsIndexSetKey";

}  // namespace quellsy::ui
