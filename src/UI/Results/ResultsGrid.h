#pragma once
// The results window's thumbnail grid: the files of the file table's listing (the same FileListModel, so the
// same files in the same order) as tiles with their thumbnails, names and check boxes. A tile's check box marks
// its file as the table's check column does; a click selects the file, a double click or the space bar asks for
// its preview. Thumbnails are fetched one at a time off the GUI thread for the tiles the grid asks for; a new
// listing, order or view starts a new generation, so a late picture never lands on another file's tile.
// GUI thread only.

#include <cstdint>

#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/GridThumbnails.h"
#include "UI/Results/ResultsListingView.h"

namespace quellsy::ui {

class FileListModel;

class ResultsGrid final : public ResultsListingView,
                          public CNGridViewDataSource,
                          public CNGridViewDelegate,
                          public CNGridViewItemDelegate {
  Q_OBJECT

 public:
  ResultsGrid(FileListModel& files, QWidget* parent);

  CNGridView* gridView() const { return grid_; }
  GridThumbnails& thumbnails() { return *thumbnails_; }
  // What a tile shows until its picture comes (and keeps when its file has none).
  const QImage& placeholder() const { return placeholder_; }

  // Fills the grid again from the listing, from the top, with fresh thumbnails.
  void showGridView();
  // Drops every queued and running thumbnail fetch; never waits.
  void stopGridImageLoading();
  // The placed tiles' check boxes drawn again from the files' marks.
  void refreshMarks();
  // Selects the tile of row and scrolls it into view (-1: none).
  void selectRow(int row);

  // Data source.
  std::uint64_t gridViewNumberOfItemsInSection(CNGridView& grid, std::int64_t section) override;
  CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t section) override;
  // Delegate.
  void gridViewDidSelectItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t section) override;
  void gridViewDidDoubleClickItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t section) override;
  // Tiles.
  void doSelectItem(std::int64_t index) override;
  bool checksLocked() const override;

 private:
  FileListModel& files_;
  CNGridView* grid_ = nullptr;
  GridThumbnails* thumbnails_ = nullptr;
  QImage placeholder_;
};

}  // namespace quellsy::ui
