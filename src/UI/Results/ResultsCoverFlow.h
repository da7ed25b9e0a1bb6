#pragma once
// The results window's cover flow: the listing's files as covers over a second file table (the cover-flow
// table). Both show the file table's listing (the same FileListModel) and share its selection, so a row
// selected in one view is selected in every view. Covers are loaded one at a time off the GUI thread around the
// selected cover; moving the selection stops that load (without waiting) and starts one around the new place,
// and a new listing or order starts a new generation, so a late picture never lands on another file's cover.
// GUI thread only.

#include <cstdint>

#include "UI/Kit/Grid/CoverFlowPhotos.h"
#include "UI/Kit/Grid/CoverFlowView.h"
#include "UI/Results/ResultsListingView.h"

class QItemSelectionModel;

namespace quellsy::ui {

class FileListModel;
class KDNSTableView;

class ResultsCoverFlow final : public ResultsListingView, public CoverFlowDelegate {
  Q_OBJECT

 public:
  // The page (flow over table) is made in parent; the table takes the listing's model and selection.
  ResultsCoverFlow(FileListModel& files, QItemSelectionModel* selection, QWidget* parent);

  QWidget* page() const { return page_; }
  CoverFlowView* flowView() const { return flowView_; }
  KDNSTableView* coverFlowerTableView() const { return table_; }
  CoverFlowPhotos& photos() { return *photos_; }

  // A cover per listed file, each waiting for its picture; the flow back at the first cover, loading there.
  void showCoverFlowerViewWithRefresh();
  // The flow moves to index and loads the covers around it.
  void selectedCoverFlow(std::int64_t index);
  // Files were added to the listing: they get covers, the flow stays where it is.
  void listingGrew();
  // Drops every queued and running cover fetch; never waits.
  void stopImageLoading();

  void imageFlowDidSelectItemAtIndex(CoverFlowView& view, std::int64_t index) override;

 private:
  FileListModel& files_;
  QWidget* page_ = nullptr;
  CoverFlowView* flowView_ = nullptr;
  KDNSTableView* table_ = nullptr;
  CoverFlowPhotos* photos_ = nullptr;
};

}  // namespace quellsy::ui
