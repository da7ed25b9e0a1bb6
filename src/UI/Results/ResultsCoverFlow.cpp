#include "UI/Results/ResultsCoverFlow.h"

#include <QItemSelectionModel>
#include <QVBoxLayout>

#include "Bridge/OpNodeData.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/FoundFilePictures.h"
#include "UI/Results/KDNSTableView.h"

namespace quellsy::ui {

ResultsCoverFlow::ResultsCoverFlow(FileListModel& files, QItemSelectionModel* selection, QWidget* parent)
    : ResultsListingView(parent), files_(files), page_(new QWidget(parent)) {
  page_->setObjectName(QStringLiteral("coverFlowPage"));
  auto* layout = new QVBoxLayout(page_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  flowView_ = new CoverFlowView(page_);
  flowView_->setObjectName(QStringLiteral("flowView"));
  flowView_->setAccessibleName(Text("RVT_FOUR_VIEW_COVERFLOW"));
  flowView_->setFocusPolicy(Qt::StrongFocus);
  table_ = new KDNSTableView(page_);
  table_->setObjectName(QStringLiteral("coverFlowerTableView"));
  table_->setAccessibleName(Text("RVT_FOUR_VIEW_COVERFLOW"));
  table_->setModel(&files_);
  QItemSelectionModel* own = table_->selectionModel();
  table_->setSelectionModel(selection);
  delete own;
  layout->addWidget(flowView_, 3);
  layout->addWidget(table_, 2);

  photos_ = new CoverFlowPhotos(*flowView_, FoundFilePictureFetch());
  flowView_->setDataSource(photos_);
  flowView_->setDelegate(this);
}

void ResultsCoverFlow::showCoverFlowerViewWithRefresh() {
  std::vector<CoverFlowPhotos::Entry> entries;
  entries.reserve(files_.Files().size());
  for (IFileNode* file : files_.Files())
    entries.push_back({FoundFileKey(file), QString::fromStdString(OpNodeData::fileNodeName(file)), QImage()});
  photos_->setListing(std::move(entries));
  flowView_->setSelectedIndex(0);
}

void ResultsCoverFlow::selectedCoverFlow(std::int64_t index) {
  if (photos_->count() == 0) return;
  index = std::clamp<std::int64_t>(index, 0, static_cast<std::int64_t>(photos_->count()) - 1);
  if (flowView_->selectedIndex() != index) flowView_->setSelectedIndex(index);
  photos_->loadAround(index);
}

void ResultsCoverFlow::listingGrew() {
  const std::vector<IFileNode*>& files = files_.Files();
  std::vector<CoverFlowPhotos::Entry> more;
  for (std::size_t i = photos_->count(); i < files.size(); ++i)
    more.push_back({FoundFileKey(files[i]), QString::fromStdString(OpNodeData::fileNodeName(files[i])), QImage()});
  photos_->appendToListing(std::move(more));
  selectedCoverFlow(flowView_->selectedIndex());
}

void ResultsCoverFlow::stopImageLoading() { photos_->stop(); }

void ResultsCoverFlow::imageFlowDidSelectItemAtIndex(CoverFlowView&, std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= files_.Files().size()) return;
  photos_->loadAround(index);
  table_->scrollTo(files_.index(static_cast<int>(index), FileListModel::kName));
  emit rowSelected(static_cast<int>(index));
}

}  // namespace quellsy::ui
