#include "UI/Kit/Grid/CoverFlowPhotos.h"

#include <algorithm>
#include <cstdlib>

#include "UI/Kit/Grid/CoverFlowGeometry.h"

namespace quellsy::ui {
const QString& CoverFlowPhotos::PlaceholderUID() {
  static const QString uid = QStringLiteral("Loading...");
  return uid;
}

CoverFlowPhotos::CoverFlowPhotos(CoverFlowView& view, ThumbnailLoader::Fetch fetch, ThumbnailLoader::Options options)
    : QObject(&view), view_(&view), loader_(std::move(fetch), options) {
  connect(&loader_, &ThumbnailLoader::Loaded, this,
          [this](quint64, quint64 key, const QImage& image) { Apply(key, image); });
}

void CoverFlowPhotos::setListing(std::vector<Entry> entries) {
  loader_.NewGeneration();
  entries_.clear();
  photos_.clear();
  indexesOfKey_.clear();
  appendToListing(std::move(entries));
}

void CoverFlowPhotos::appendToListing(std::vector<Entry> more) {
  entries_.reserve(entries_.size() + more.size());
  photos_.reserve(entries_.size() + more.size());
  for (Entry& entry : more) {
    auto photo = std::make_shared<Photo>(QImage(), PlaceholderUID());
    photo->setName(entry.name);
    photos_.push_back(std::move(photo));
    indexesOfKey_[entry.key].push_back(static_cast<std::int64_t>(entries_.size()));
    entries_.push_back(std::move(entry));
  }
  if (view_) view_->reloadData();
}

void CoverFlowPhotos::loadAround(std::int64_t index) {
  loader_.NewGeneration();
  const CNItemRange range = CoverFlowGeometry::LoadRangeAround(static_cast<std::int64_t>(photos_.size()), index);
  // The loader runs the newest request first: the farthest covers are asked for first, the selected one last.
  std::vector<std::int64_t> order;
  for (std::int64_t i = range.location; i < range.location + range.length; ++i)
    if (!isLoaded(i)) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [index](std::int64_t a, std::int64_t b) {
    return std::abs(a - index) > std::abs(b - index);
  });
  std::vector<ThumbnailLoader::Wanted> wanted;
  wanted.reserve(order.size());
  for (const std::int64_t i : order) {
    const Entry& entry = entries_[static_cast<std::size_t>(i)];
    wanted.push_back({entry.key, entry.fallback});
  }
  loader_.RequestAll(std::move(wanted));
}

bool CoverFlowPhotos::stop() { return loader_.Stop(); }

std::shared_ptr<Photo> CoverFlowPhotos::photoAt(std::int64_t index) const {
  if (index < 0 || index >= static_cast<std::int64_t>(photos_.size())) return nullptr;
  return photos_[static_cast<std::size_t>(index)];
}

bool CoverFlowPhotos::isLoaded(std::int64_t index) const {
  const auto photo = photoAt(index);
  return photo && photo->imageUID() != PlaceholderUID();
}

std::uint64_t CoverFlowPhotos::numberOfItemsInImageFlow(CoverFlowView&) { return photos_.size(); }

std::shared_ptr<Photo> CoverFlowPhotos::imageFlowItemAtIndex(CoverFlowView&, std::int64_t index) {
  return photoAt(index);
}

void CoverFlowPhotos::Apply(quint64 key, const QImage& image) {
  const auto it = indexesOfKey_.find(key);
  if (it == indexesOfKey_.end() || image.isNull()) return;
  for (const std::int64_t index : it->second) {
    // A view that holds fewer covers than this (its listing shrank meanwhile) gets nothing.
    if (!view_ || index >= view_->itemsCount()) continue;
    const auto& photo = photos_[static_cast<std::size_t>(index)];
    photo->setImageRepresentation(image);
    photo->setImageVersion();
    photo->setImageUID(QStringLiteral("cover-%1").arg(nextUID_++));
    view_->reloadCellDataAtIndex(index);
  }
}

}  // namespace quellsy::ui
