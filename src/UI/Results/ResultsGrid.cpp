#include "UI/Results/ResultsGrid.h"

#include <QApplication>
#include <QScrollBar>

#include "Bridge/OpNodeData.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/CheckMarks.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/FoundFilePictures.h"

namespace quellsy::ui {
namespace {

QString TileCheckImage(int state) {
  return state == 2 ? QStringLiteral("pf_checkbox_yes") : QStringLiteral("pf_checkbox_no");
}

}  // namespace

ResultsGrid::ResultsGrid(FileListModel& files, QWidget* parent)
    : ResultsListingView(parent), files_(files), grid_(new CNGridView(parent)) {
  grid_->setObjectName(QStringLiteral("gridView"));
  grid_->setAccessibleName(Text("RVT_FOUR_VIEW_GRID"));
  grid_->setDataSource(this);
  grid_->setDelegate(this);
  grid_->setAllowsSelection(true);
  // Clicks are gathered for the desktop's double-click time, so that two of them make a double click.
  grid_->setClickInterval(QApplication::doubleClickInterval());
  grid_->setUseCenterAlignment(true);
  grid_->setBackgroundPattern(NamedImages::Pixmap(QStringLiteral("BackgroundDust")));
  grid_->setScrollElasticity(false);
  grid_->setFocusPolicy(Qt::StrongFocus);
  previewOnSpaceBar(grid_);
  previewOnSpaceBar(grid_->viewport());
  thumbnails_ = new GridThumbnails(*grid_, FoundFilePictureFetch());
  placeholder_ = NamedImages::Image(QStringLiteral("loading"), QSize(90, 68));
  connect(&files_, &FileListModel::dataChanged, this, [this] { refreshMarks(); });
}

void ResultsGrid::showGridView() {
  thumbnails_->NewListing();
  grid_->deselectAllItems();
  grid_->reloadDataAnimated(true);
  grid_->scrollToContentY(0);
}

void ResultsGrid::stopGridImageLoading() { thumbnails_->Stop(); }

void ResultsGrid::refreshMarks() {
  const std::vector<IFileNode*>& files = files_.Files();
  for (CNGridViewItemBase* placed : grid_->placedItems()) {
    auto* tile = qobject_cast<CNGridViewItem*>(placed);
    if (!tile || tile->index() < 0 || static_cast<std::size_t>(tile->index()) >= files.size()) continue;
    const int state = OpNodeData::fileNodeState(files[static_cast<std::size_t>(tile->index())]);
    tile->setCheckState(state);
    tile->setCheckBoxImage(TileCheckImage(state));
  }
}

void ResultsGrid::selectRow(int row) {
  const QSignalBlocker quiet(this);
  if (row >= 0 && grid_->selectedIndexes().contains(row)) return;
  grid_->deselectAllItems();
  if (row < 0 || row >= static_cast<int>(files_.Files().size())) return;
  grid_->selectItemIndex(row);
  const QRectF tile = grid_->rectForItemAtIndex(row);
  const double top = grid_->verticalScrollBar()->value();
  const double height = grid_->viewport()->height();
  if (tile.top() < top || tile.bottom() > top + height) grid_->scrollToContentY(tile.top());
}

std::uint64_t ResultsGrid::gridViewNumberOfItemsInSection(CNGridView&, std::int64_t) { return files_.Files().size(); }

CNGridViewItemBase* ResultsGrid::gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t) {
  const std::vector<IFileNode*>& files = files_.Files();
  if (index < 0 || static_cast<std::size_t>(index) >= files.size()) return nullptr;
  auto* tile = qobject_cast<CNGridViewItem*>(grid.dequeueReusableItemWithIdentifier(kCNDefaultItemIdentifier));
  if (!tile) tile = new CNGridViewItem(nullptr, kCNDefaultItemIdentifier);
  IFileNode* file = files[static_cast<std::size_t>(index)];
  const QString name = QString::fromStdString(OpNodeData::fileNodeName(file));
  tile->setItemTitle(name);
  tile->setTitleText(name);
  tile->setToolTip(name);
  tile->setNode(file);
  tile->setItemImage(placeholder_);
  tile->setDelegate(this);
  const int state = OpNodeData::fileNodeState(file);
  tile->setCheckState(state);
  tile->setCheckBoxImage(TileCheckImage(state));
  thumbnails_->RequestFor(*tile, FoundFileKey(file), FoundFileTypeIcon(file));
  return tile;
}

void ResultsGrid::gridViewDidSelectItemAtIndex(CNGridView&, std::int64_t index, std::int64_t) {
  emit rowSelected(static_cast<int>(index));
}

void ResultsGrid::gridViewDidDoubleClickItemAtIndex(CNGridView&, std::int64_t index, std::int64_t) {
  selectRow(static_cast<int>(index));
  emit rowSelected(static_cast<int>(index));
  emit previewRequested();
}

void ResultsGrid::doSelectItem(std::int64_t index) {
  if (index < 0 || index > INT32_MAX) return;
  // The listing's own toggle: the same mark the table's check column sets, and the same summary afterwards.
  if (!files_.ToggleCheck(static_cast<int>(index))) refreshMarks();
}

bool ResultsGrid::checksLocked() const { return ChecksLocked(); }

}  // namespace quellsy::ui
