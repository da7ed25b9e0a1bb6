#include "UI/Kit/Grid/GridThumbnails.h"

namespace quellsy::ui {

namespace {

// Pictures leave the worker no larger than a tile draws them on a screen of up to twice the density, so the
// GUI thread never scales a large picture down.
constexpr int kDeliveredSide = 2 * CNGridViewItem::kMaxImageSide;

ThumbnailLoader::Fetch FittedToTiles(ThumbnailLoader::Fetch fetch) {
  return [fetch = std::move(fetch)](ThumbnailLoader::Key key, const ThumbnailTicket& ticket) {
    const QImage image = fetch(key, ticket);
    if (image.width() <= kDeliveredSide && image.height() <= kDeliveredSide) return image;
    return image.scaled(kDeliveredSide, kDeliveredSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  };
}

}  // namespace

GridThumbnails::GridThumbnails(CNGridView& grid, ThumbnailLoader::Fetch fetch, ThumbnailLoader::Options options)
    : QObject(&grid), grid_(&grid), loader_(FittedToTiles(std::move(fetch)), options) {
  connect(&loader_, &ThumbnailLoader::Loaded, this,
          [this](quint64, quint64 key, const QImage& image) { Apply(key, image); });
}

void GridThumbnails::RequestFor(CNGridViewItem& item, Key key, QImage fallback) {
  const auto earlier = requested_.constFind(&item);
  if (earlier != requested_.constEnd() && *earlier != key) loader_.Cancel(*earlier);
  requested_.insert(&item, key);
  loader_.Request(key, std::move(fallback));
}

void GridThumbnails::NewListing() {
  loader_.NewGeneration();
  requested_.clear();
}

bool GridThumbnails::Stop() {
  requested_.clear();
  return loader_.Stop();
}

void GridThumbnails::Apply(quint64 key, const QImage& image) {
  if (!grid_) return;
  // Every placed tile that still shows that file; a tile reused meanwhile shows another node and keeps its look.
  for (CNGridViewItemBase* placed : grid_->placedItems()) {
    auto* item = qobject_cast<CNGridViewItem*>(placed);
    if (item && ThumbnailKeyOf(item->node()) == key) item->updateImageViewWithImage(image, item->node());
  }
}

}  // namespace quellsy::ui
