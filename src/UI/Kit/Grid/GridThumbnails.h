#pragma once
// The grid's thumbnails: each tile the data source fills asks for its file's picture, fetched off the GUI thread
// by one worker (ThumbnailLoader), fitted there to the size a tile draws, and given to the tile that still shows
// that file when it arrives. A tile that is filled for another file drops its queued request; a new listing or
// a stop drops everything queued and running, so no picture of an old listing reaches a tile.
//
//   GridThumbnails thumbnails(grid, [](Key key, const ThumbnailTicket& ticket) { return ...; });
//   // in the data source's gridViewItemAtIndex, after tile->setNode(node):
//   thumbnails.RequestFor(*tile, key, placeholder);

#include <QHash>
#include <QObject>
#include <QPointer>

#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Thumbnails/ThumbnailLoader.h"

namespace quellsy::ui {

class GridThumbnails : public QObject {
  Q_OBJECT

 public:
  using Key = ThumbnailLoader::Key;

  GridThumbnails(CNGridView& grid, ThumbnailLoader::Fetch fetch,
                 ThumbnailLoader::Options options = ThumbnailLoader::OneAtATime());

  // The tile now shows the file of key (its node() already set): its picture is asked for; the tile's earlier
  // request, when still queued, is dropped. fallback is what the tile gets when the file cannot be read.
  void RequestFor(CNGridViewItem& item, Key key, QImage fallback = QImage());
  // A new listing (or order): nothing asked for before is delivered.
  void NewListing();
  // Drops what is queued and waits, within the loader's bound, for the running fetch; true when none runs.
  bool Stop();
  ThumbnailLoader& loader() { return loader_; }

 private:
  void Apply(quint64 key, const QImage& image);

  QPointer<CNGridView> grid_;
  ThumbnailLoader loader_;
  QHash<const CNGridViewItem*, Key> requested_;  // a tile's last request; the tile is never dereferenced here
};

// The key of a tile's node, the identity thumbnails are delivered by.
inline GridThumbnails::Key ThumbnailKeyOf(const void* node) {
  return static_cast<GridThumbnails::Key>(reinterpret_cast<std::uintptr_t>(node));
}

}  // namespace quellsy::ui
