#pragma once
// The cover flow's covers and their loader: one cover per listed file, each waiting with the placeholder's
// identifier until its picture arrives. Pictures are fetched one at a time, off the GUI thread, for the covers
// around the selection (all of them below 11, else 100 on each side; the nearest first) and never twice for one
// listing; moving the selection stops the running load and starts one around the new place. A picture that
// arrives after the listing changed is dropped. Serves as the view's data source.

#include <QObject>
#include <QPointer>
#include <memory>
#include <unordered_map>
#include <vector>

#include "UI/Kit/Grid/CoverFlowView.h"
#include "UI/Kit/Thumbnails/ThumbnailLoader.h"

namespace quellsy::ui {

class CoverFlowPhotos : public QObject, public CoverFlowDataSource {
  Q_OBJECT

 public:
  using Key = ThumbnailLoader::Key;
  struct Entry {
    Key key = 0;  // the file, as the fetch knows it
    QString name;
    QImage fallback;  // what the cover shows when the file cannot be read
  };

  static const QString& PlaceholderUID();

  CoverFlowPhotos(CoverFlowView& view, ThumbnailLoader::Fetch fetch,
                  ThumbnailLoader::Options options = ThumbnailLoader::OneAtATime());

  // A new listing: the running load stops, every cover waits, the view reloads.
  void setListing(std::vector<Entry> entries);
  // Files added after the listing's last: they get waiting covers; the covers there keep their pictures and a
  // running load goes on.
  void appendToListing(std::vector<Entry> more);
  // Stops the running load and loads the covers around index that still wait.
  void loadAround(std::int64_t index);
  // Stops the running load within the loader's bound; true when nothing runs any more.
  bool stop();

  std::size_t count() const { return photos_.size(); }
  std::shared_ptr<Photo> photoAt(std::int64_t index) const;
  bool isLoaded(std::int64_t index) const;
  ThumbnailLoader& loader() { return loader_; }

  std::uint64_t numberOfItemsInImageFlow(CoverFlowView& view) override;
  std::shared_ptr<Photo> imageFlowItemAtIndex(CoverFlowView& view, std::int64_t index) override;

 private:
  void Apply(quint64 key, const QImage& image);

  QPointer<CoverFlowView> view_;
  ThumbnailLoader loader_;
  std::vector<Entry> entries_;
  std::vector<std::shared_ptr<Photo>> photos_;
  std::unordered_map<Key, std::vector<std::int64_t>> indexesOfKey_;
  std::uint64_t nextUID_ = 1;
};

}  // namespace quellsy::ui
