// The grid's and the cover flow's loaders over fakes of the decoder: pictures reach the tile that still shows
// their file and no other; a stop returns within its bound while a fetch is stuck and applies nothing of it;
// the cover flow fetches the covers around the selection, nearest first, never twice, and drops the pictures
// of an old listing.

#include <QSignalSpy>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/CoverFlowPhotos.h"
#include "UI/Kit/Grid/GridThumbnails.h"

namespace quellsy::ui {
namespace {

using namespace std::chrono_literals;

QImage Picture(ThumbnailLoader::Key key) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(qRgb(static_cast<int>(key % 256), 100, 0));
  return image;
}

// Records every fetch in order; holds the fetch of one key until released, whatever its ticket says.
class FakeDecoder {
 public:
  ThumbnailLoader::Fetch Fetch() {
    return [this](ThumbnailLoader::Key key, const ThumbnailTicket&) {
      std::unique_lock hold(lock_);
      fetched_.push_back(key);
      changed_.notify_all();
      if (blocked_ && *blocked_ == key) changed_.wait(hold, [this] { return released_; });
      return Picture(key);
    };
  }
  void Block(ThumbnailLoader::Key key) {
    std::lock_guard hold(lock_);
    blocked_ = key;
  }
  void Release() {
    std::lock_guard hold(lock_);
    released_ = true;
    changed_.notify_all();
  }
  std::vector<ThumbnailLoader::Key> Fetched() {
    std::lock_guard hold(lock_);
    return fetched_;
  }
  bool WaitForFetchOf(ThumbnailLoader::Key key) {
    return QTest::qWaitFor([&] {
      const auto fetched = Fetched();
      return std::find(fetched.begin(), fetched.end(), key) != fetched.end();
    }, 10000);
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<ThumbnailLoader::Key> fetched_;
  std::optional<ThumbnailLoader::Key> blocked_;
  bool released_ = false;
};

ThumbnailLoader::Options QuickStop() {
  ThumbnailLoader::Options options = ThumbnailLoader::OneAtATime();
  options.stopWait = 20ms;
  return options;
}

// Files 1000 + index; the data source asks for each tile's picture as the results window will.
class ThumbnailSource : public CNGridViewDataSource {
 public:
  std::uint64_t gridViewNumberOfItemsInSection(CNGridView&, std::int64_t) override { return count; }
  CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t) override {
    auto* item = static_cast<CNGridViewItem*>(grid.dequeueReusableItemWithIdentifier(kCNDefaultItemIdentifier));
    if (!item) item = new CNGridViewItem();
    item->setNode(NodeOf(index));
    item->setItemImage(placeholder);
    if (thumbnails) thumbnails->RequestFor(*item, ThumbnailKeyOf(NodeOf(index)));
    return item;
  }
  static const void* NodeOf(std::int64_t index) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(1000 + index));
  }
  std::uint64_t count = 0;
  GridThumbnails* thumbnails = nullptr;
  QImage placeholder = [] {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
  }();
};

class GridLoaderTest : public ::testing::Test {
 protected:
  void Show(std::uint64_t count) {
    source_.count = count;
    source_.thumbnails = &thumbnails_;
    grid_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_.setAnimationDurations(0, 0);
    grid_.setDataSource(&source_);
    grid_.resize(450, 300);
    grid_.show();
    grid_.reloadData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !grid_.layoutPending(); }));
  }
  CNGridViewItem* Tile(std::int64_t index) { return static_cast<CNGridViewItem*>(grid_.itemAtIndex(index)); }

  FakeDecoder decoder_;
  ThumbnailSource source_;
  CNGridView grid_;
  GridThumbnails thumbnails_{grid_, decoder_.Fetch(), QuickStop()};
};

TEST_F(GridLoaderTest, EachTileGetsThePictureOfItsOwnFileOneFetchAtATime) {
  Show(9);
  // 3 columns, 2 rows visible and one more: 9 tiles, 9 fetches.
  ASSERT_EQ(grid_.numberOfVisibleItems(), 9u);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    for (std::int64_t i = 0; i < 9; ++i)
      if (Tile(i)->itemImage() != Picture(1000 + static_cast<std::uint64_t>(i))) return false;
    return true;
  }, 10000));
  const auto fetched = decoder_.Fetched();
  EXPECT_EQ(std::set<ThumbnailLoader::Key>(fetched.begin(), fetched.end()).size(), 9u);
  EXPECT_EQ(fetched.size(), 9u) << "one fetch per tile";
}

TEST_F(GridLoaderTest, APictureThatArrivesAfterItsTileShowsAnotherFileIsDropped) {
  decoder_.Block(1000);
  Show(40);
  ASSERT_TRUE(decoder_.WaitForFetchOf(1000));
  // Scroll far: tile 0 is parked and filled for another file while its picture is still being made.
  grid_.scrollToContentY(150 * 10);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !grid_.layoutPending(); }));
  ASSERT_EQ(Tile(0), nullptr);
  decoder_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return thumbnails_.loader().RunningCount() == 0 &&
                                           thumbnails_.loader().QueuedCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  for (CNGridViewItemBase* placed : grid_.placedItems()) {
    auto* item = static_cast<CNGridViewItem*>(placed);
    SCOPED_TRACE(item->index());
    EXPECT_NE(item->itemImage(), Picture(1000));
    EXPECT_EQ(item->itemImage(), Picture(ThumbnailKeyOf(item->node())));
  }
  // The tiles scrolled past dropped their queued requests: far fewer fetches than tiles asked for.
  EXPECT_LT(decoder_.Fetched().size(), 20u);
}

TEST_F(GridLoaderTest, AStopReturnsWhileAFetchIsStuckAndNothingOfTheOldListingArrives) {
  decoder_.Block(1004);
  Show(9);
  ASSERT_TRUE(decoder_.WaitForFetchOf(1004));
  EXPECT_FALSE(thumbnails_.Stop()) << "the stuck fetch still runs; the stop returned at its bound";
  const std::vector<QImage> before = [&] {
    std::vector<QImage> images;
    for (std::int64_t i = 0; i < 9; ++i) images.push_back(Tile(i)->itemImage());
    return images;
  }();
  decoder_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return thumbnails_.loader().RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  for (std::int64_t i = 0; i < 9; ++i) EXPECT_EQ(Tile(i)->itemImage(), before[static_cast<std::size_t>(i)]) << i;
  EXPECT_NE(Tile(4)->itemImage(), Picture(1004));
}

TEST(GridThumbnailsFit, ALargePictureReachesTheTileAlreadyFittedWithItsShapeKept) {
  ThumbnailSource source;
  CNGridView grid;
  GridThumbnails thumbnails(grid, [](ThumbnailLoader::Key, const ThumbnailTicket&) {
    QImage large(1000, 500, QImage::Format_RGB32);
    large.fill(Qt::darkGreen);
    return large;
  });
  source.count = 1;
  source.thumbnails = &thumbnails;
  grid.setAnimationDurations(0, 0);
  grid.setDataSource(&source);
  grid.resize(300, 300);
  grid.show();
  grid.reloadData();
  ASSERT_TRUE(QTest::qWaitFor([&] {
    auto* tile = static_cast<CNGridViewItem*>(grid.itemAtIndex(0));
    return tile && tile->itemImage().size() != source.placeholder.size();
  }, 10000));
  // Twice the 90 points a tile draws at most, for screens of up to twice the density.
  EXPECT_EQ(static_cast<CNGridViewItem*>(grid.itemAtIndex(0))->itemImage().size(), QSize(180, 90));
}

// The cover flow over n files, keys 1..n.
class CoverLoaderTest : public ::testing::Test {
 protected:
  void List(int count) {
    std::vector<CoverFlowPhotos::Entry> entries;
    for (int i = 0; i < count; ++i)
      entries.push_back({static_cast<ThumbnailLoader::Key>(i + 1), QStringLiteral("File %1.jpg").arg(i), QImage()});
    photos_.setListing(std::move(entries));
  }
  bool AllLoaded(std::int64_t first, std::int64_t end) {
    return QTest::qWaitFor([&] {
      for (std::int64_t i = first; i < end; ++i)
        if (!photos_.isLoaded(i)) return false;
      return true;
    }, 20000);
  }
  std::set<ThumbnailLoader::Key> FetchedSet() {
    const auto fetched = decoder_.Fetched();
    return {fetched.begin(), fetched.end()};
  }
  static std::set<ThumbnailLoader::Key> Keys(std::int64_t first, std::int64_t end) {
    std::set<ThumbnailLoader::Key> keys;
    for (std::int64_t i = first; i < end; ++i) keys.insert(static_cast<ThumbnailLoader::Key>(i + 1));
    return keys;
  }

  FakeDecoder decoder_;
  CoverFlowView view_;
  CoverFlowPhotos photos_{view_, decoder_.Fetch(), QuickStop()};
};

TEST_F(CoverLoaderTest, TenFilesAreAllLoadedWhateverTheSelection) {
  view_.setDataSource(&photos_);
  List(10);
  EXPECT_EQ(view_.itemsCount(), 10);
  EXPECT_EQ(photos_.photoAt(3)->imageUID(), CoverFlowPhotos::PlaceholderUID());
  EXPECT_EQ(photos_.photoAt(3)->imageTitle(), QStringLiteral("File 3.jpg"));
  photos_.loadAround(9);
  ASSERT_TRUE(AllLoaded(0, 10));
  EXPECT_EQ(FetchedSet(), Keys(0, 10));
  EXPECT_EQ(photos_.photoAt(3)->imageRepresentation(), Picture(4));
  EXPECT_EQ(photos_.photoAt(3)->imageVersion(), 1);
  EXPECT_NE(photos_.photoAt(3)->imageUID(), photos_.photoAt(4)->imageUID());
}

TEST_F(CoverLoaderTest, AThousandFilesLoadAHundredEachSideNearestFirstAndNeverTwice) {
  view_.setDataSource(&photos_);
  List(1000);
  photos_.loadAround(500);
  ASSERT_TRUE(AllLoaded(400, 600));
  EXPECT_EQ(FetchedSet(), Keys(400, 600));
  const auto fetched = decoder_.Fetched();
  ASSERT_EQ(fetched.size(), 200u);
  // After the selected cover, its neighbours before the far ones.
  EXPECT_EQ(fetched.front(), 501u);
  EXPECT_LE(std::abs(static_cast<long>(fetched[1]) - 501), 1);
  EXPECT_EQ(fetched.back(), 401u) << "cover 400 lies farthest from 500";
  EXPECT_FALSE(photos_.isLoaded(399));
  EXPECT_FALSE(photos_.isLoaded(600));

  // Cover 50: 0 to 149, of which none was loaded yet; the covers already loaded stay and are not fetched again.
  photos_.loadAround(50);
  ASSERT_TRUE(AllLoaded(0, 150));
  EXPECT_EQ(decoder_.Fetched().size(), 350u);
  EXPECT_EQ(FetchedSet(), [] {
    auto keys = Keys(0, 150);
    keys.merge(Keys(400, 600));
    return keys;
  }());
  photos_.loadAround(120);  // 20 to 219: only 150 to 219 still wait
  ASSERT_TRUE(AllLoaded(20, 220));
  EXPECT_EQ(decoder_.Fetched().size(), 420u);
}

TEST_F(CoverLoaderTest, PicturesOfAnOldListingAndCoversPastAShrunkViewAreDropped) {
  view_.setDataSource(&photos_);
  List(20);
  decoder_.Block(5);
  photos_.loadAround(4);
  ASSERT_TRUE(decoder_.WaitForFetchOf(5));
  EXPECT_FALSE(photos_.stop()) << "the stuck fetch still runs; the stop returned at its bound";
  // A new listing of other files under the same keys: the stuck picture belongs to the old one.
  List(20);
  decoder_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return photos_.loader().RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  for (std::int64_t i = 0; i < 20; ++i) EXPECT_FALSE(photos_.isLoaded(i)) << i;

  // The view shows fewer covers than the listing (it was not reloaded): covers past its end get nothing.
  view_.setDataSource(nullptr);
  view_.reloadData();
  photos_.loadAround(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return decoder_.Fetched().size() == 1 + 20; }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return photos_.loader().RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  for (std::int64_t i = 0; i < 20; ++i) EXPECT_FALSE(photos_.isLoaded(i)) << i;
}

}  // namespace
}  // namespace quellsy::ui
