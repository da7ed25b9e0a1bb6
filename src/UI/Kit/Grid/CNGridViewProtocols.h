#pragma once
// What the grid asks of its data source and tells its delegate. Section is always 0 here. Every delegate call
// has an empty default, so a delegate implements only what it hears.

#include <QString>
#include <cstdint>
#include <vector>

#include "UI/Kit/Grid/CNIndexSet.h"

namespace quellsy::ui {

class CNGridView;
class CNGridViewItemBase;

class CNGridViewDataSource {
 public:
  virtual ~CNGridViewDataSource() = default;
  virtual std::uint64_t gridViewNumberOfItemsInSection(CNGridView& grid, std::int64_t section) = 0;
  // The tile for index, normally taken from the grid's dequeueReusableItemWithIdentifier and else made new
  // (the grid owns it from then on); null leaves a gap.
  virtual CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t section) = 0;
  virtual std::uint64_t numberOfSectionsInGridView(CNGridView&) { return 1; }
  virtual QString gridViewTitleForHeaderInSection(CNGridView&, std::int64_t) { return {}; }
};

class CNGridViewDelegate {
 public:
  virtual ~CNGridViewDelegate() = default;
  virtual void gridViewWillHoverItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewWillUnhoverItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewWillSelectItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewDidSelectItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewWillDeselectItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewDidDeselectItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewWillDeselectAllItems(CNGridView&, const CNIndexSet&) {}
  virtual void gridViewDidDeselectAllItems(CNGridView&) {}
  virtual void gridViewDidClickItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewDidDoubleClickItemAtIndex(CNGridView&, std::int64_t, std::int64_t) {}
  virtual void gridViewDidActivateContextMenuWithIndexes(CNGridView&, const CNIndexSet&, std::int64_t) {}
};

}  // namespace quellsy::ui
