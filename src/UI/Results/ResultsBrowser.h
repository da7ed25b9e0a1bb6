#pragma once
// The found files in the results window: the four result trees (by path, type, creation and modification
// month) under their tabs in the tree pane, the files of the selected row in the list pane as a table, a
// thumbnail grid or a cover flow (the view switch; all three over one listing and one selection), the search,
// the check marks and the summary of checked files that makes the recover button usable. The window hands it
// every look at the path tree (Refresh) and empties it for a new scan (Clear); the rest runs on the user's
// clicks and the search's notifications ("DoSearchValue", "DoSearchFinished"). GUI thread only.

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "UI/Kit/ItemViews/SpacePreviewWindow.h"
#include "UI/Kit/Thumbnails/ThumbnailLoader.h"
#include "UI/Results/PathTreeMirror.h"

class QStackedWidget;
class QToolButton;

namespace quellsy::ui {

class CommOutlineView;
class FileListModel;
class KDDeletailWindowController;
class KDNSTableView;
class ResultTreeModel;
class ResultsCoverFlow;
class ResultsGrid;

class ResultsBrowser : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTreeKinds = 4;
  static constexpr int kMaxRecentSearches = 10;
  static constexpr const char* kSearchValueNotification = "DoSearchValue";
  static constexpr const char* kSearchFinishedNotification = "DoSearchFinished";
  static constexpr const char* kSearchHistoryKey = "SearchHistory";

  // Builds into window's tree and list panes; reloadTrees makes the window look at the path tree again (and
  // so call Refresh).
  ResultsBrowser(KDDeletailWindowController& window, std::function<void()> reloadTrees);
  ~ResultsBrowser() override;

  void Refresh(const PathTreeMirror::Update& update);
  void Clear();

  // Tabs: 0 path, 1 type, 2 created, 3 modified; a click on the tab shown does nothing.
  void selectTab(int kind);
  int selectTypeCount() const { return selectTypeCount_; }
  QToolButton* tabButton(int kind) const { return tabs_[static_cast<std::size_t>(kind)]; }
  CommOutlineView* outline(int kind) const { return outlines_[static_cast<std::size_t>(kind)]; }
  ResultTreeModel* treeModel(int kind) const { return models_[static_cast<std::size_t>(kind)]; }
  bool selectRootItem();

  KDNSTableView* tableView() const { return tableView_; }
  FileListModel* listModel() const { return listModel_; }
  // The direction of the next header click: 1 ascending, 0 descending.
  int isSorted() const { return isSorted_; }
  // A click on the header of column.
  void sortByColumn(int column);
  void setAllSelectOrNoSelect();
  void changeSelectAllButtonState();
  void showSelectFilesCountAndSize();
  std::uint64_t selectedFileSize() const { return selectedFileSize_; }
  // The row selected last in the table, -1 for none.
  int selectedRow() const { return selectedRow_; }
  // The view switch: 0 the table, 1 the grid, 2 the cover flow. Every switch stops the thumbnail loaders
  // first; the new view shows the same files, checks and selected file.
  void segmentSelect(int segment);
  int selectSegmentCount() const { return selectSegmentCount_; }
  ResultsGrid* grid() const { return grid_; }
  ResultsCoverFlow* coverFlow() const { return coverFlow_; }
  // The space bar in any view (a double click in the grid): opens the preview of the file selected last, or
  // closes the open one; nothing over an empty listing or while a complete scan runs unpaused. The preview
  // opens at once with the type's icon; the file's picture is made off the GUI thread and shown when it comes.
  void spacePrviewFile();
  SpacePreviewWindow* spacePreviewWindow() const { return spacePreview_.current(); }

  // Search.
  static QString GetSearchText(const QString& text);
  bool doSearch();
  bool searchClearButtonClick();
  // A scan of the Desktop entry has ended: its results are narrowed to the files of a folder named "Desktop".
  bool doEndScanSearch();
  const QString& lastSearchStr() const { return lastSearchStr_; }
  // The recent searches kept in "PrivateData" under "SearchHistory" (going back home), and taken from there
  // when it holds any (a window is made).
  void saveSearchHistroy();
  void addSearchHistory();

 private:
  void BuildTrees();
  void BuildTable();
  void SetUpTable(KDNSTableView* table);
  // The listing was replaced or reordered: the loaders restart and the current view fills again.
  void ListingReset();
  void ListingGrew();
  void RowSelected(int row);
  void CurrentRowChanged(int row);
  void StopImageLoaders();
  // The file table and the cover flow's table.
  std::array<KDNSTableView*, 2> Tables() const;
  void ShowPreviewPicture(quint64 key, const QImage& picture);
  void SelectOutlineRow(int kind, const QModelIndex& index);
  void RefreshDetailPage(bool summary);
  void RefreshListing();
  void showNoValueNote();
  void showRecoveryButton();
  void ClearSelectedFilesInfo();
  void TreeChecksChanged();
  void ListChecksChanged();
  // The marks of the current tab's tree worked out again, and every tree redrawn.
  void RecountTreeMarks();
  void SearchTreeView(bool finished);
  void reloadTreeView();
  void RememberSearch(const QString& key);

  KDDeletailWindowController& window_;
  std::function<void()> reloadTrees_;
  std::array<QToolButton*, kTreeKinds> tabs_{};
  std::array<ResultTreeModel*, kTreeKinds> models_{};
  std::array<CommOutlineView*, kTreeKinds> outlines_{};
  QStackedWidget* treeStack_ = nullptr;
  KDNSTableView* tableView_ = nullptr;
  FileListModel* listModel_ = nullptr;
  QStackedWidget* viewStack_ = nullptr;
  ResultsGrid* grid_ = nullptr;
  ResultsCoverFlow* coverFlow_ = nullptr;
  int selectSegmentCount_ = 0;

  int selectTypeCount_ = 0;
  QPersistentModelIndex opDataFile_;
  bool listingIsSearch_ = false;
  bool endShown_ = false;
  int isSorted_ = 0;
  int selectedRow_ = -1;
  std::uint64_t selectedFileSize_ = 0;
  QString lastSearchStr_;
  SpacePreviewToggle spacePreview_;
  ThumbnailLoader* previewLoader_ = nullptr;
  ThumbnailLoader::Key previewKey_ = 0;
};

}  // namespace quellsy::ui
