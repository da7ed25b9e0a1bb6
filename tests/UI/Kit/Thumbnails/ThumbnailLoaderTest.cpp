// The loader with fakes for the decoder: results reach the GUI thread for the current generation only, a stop
// returns within its bound while a fetch is stuck and applies nothing of it, a fetch past its time limit gives
// the fallback, and a reused tile's queued request is dropped.

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

#include "UI/Kit/Thumbnails/ThumbnailLoader.h"

namespace quellsy::ui {
namespace {

using namespace std::chrono_literals;

QImage Picture(QRgb colour) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// A decoder that holds every fetch of the listed keys until released, ignoring its ticket.
class BlockingFetch {
 public:
  explicit BlockingFetch(std::set<ThumbnailLoader::Key> blocked) : blocked_(std::move(blocked)) {}
  ThumbnailLoader::Fetch Fetch() {
    return [this](ThumbnailLoader::Key key, const ThumbnailTicket&) {
      if (blocked_.count(key)) {
        std::unique_lock hold(lock_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(hold, [this] { return released_; });
      }
      return Picture(qRgb(static_cast<int>(key % 256), 0, 0));
    };
  }
  void Release() {
    std::lock_guard hold(lock_);
    released_ = true;
    changed_.notify_all();
  }
  int Waiting() {
    std::lock_guard hold(lock_);
    return waiting_;
  }

 private:
  std::set<ThumbnailLoader::Key> blocked_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool released_ = false;
  int waiting_ = 0;
};

ThumbnailLoader::Options Quick(int threads = 2) {
  ThumbnailLoader::Options options;
  options.threads = threads;
  options.stopWait = 20ms;
  return options;
}

std::set<quint64> DeliveredKeys(const QSignalSpy& spy) {
  std::set<quint64> keys;
  for (const auto& arguments : spy) keys.insert(arguments.at(1).toULongLong());
  return keys;
}

TEST(ThumbnailLoader, ResultsArriveOnTheGuiThreadTaggedWithTheirGeneration) {
  const QThread* gui = QThread::currentThread();
  std::vector<const QThread*> deliveredOn;
  ThumbnailLoader loader([](ThumbnailLoader::Key key, const ThumbnailTicket&) { return Picture(qRgb(int(key), 0, 0)); },
                         Quick());
  QObject::connect(&loader, &ThumbnailLoader::Loaded, [&] { deliveredOn.push_back(QThread::currentThread()); });
  QSignalSpy spy(&loader, &ThumbnailLoader::Loaded);
  for (ThumbnailLoader::Key key = 1; key <= 5; ++key) loader.Request(key);
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 5; }, 10000));
  EXPECT_EQ(DeliveredKeys(spy), (std::set<quint64>{1, 2, 3, 4, 5}));
  for (const auto& arguments : spy) {
    EXPECT_EQ(arguments.at(0).toULongLong(), loader.generation());
    EXPECT_EQ(arguments.at(2).value<QImage>().pixel(0, 0), qRgb(int(arguments.at(1).toULongLong()), 0, 0));
  }
  for (const QThread* thread : deliveredOn) EXPECT_EQ(thread, gui);
}

TEST(ThumbnailLoader, StopReturnsWithinItsBoundWhileAFetchIsStuckAndAppliesNothingOfIt) {
  BlockingFetch fake({7});
  ThumbnailLoader loader(fake.Fetch(), Quick(1));
  QSignalSpy spy(&loader, &ThumbnailLoader::Loaded);
  loader.Request(7);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fake.Waiting() == 1; }, 10000));
  loader.Request(8);  // queued behind the stuck one on the only worker
  EXPECT_EQ(loader.QueuedCount(), 1u);
  // The fetch ignores its ticket: the stop gives up waiting after its bound and says so.
  EXPECT_FALSE(loader.Stop());
  EXPECT_EQ(loader.QueuedCount(), 0u);
  EXPECT_EQ(loader.RunningCount(), 1u);
  fake.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loader.RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.size(), 0) << "neither the stuck picture nor the dropped request may arrive";
}

TEST(ThumbnailLoader, LateThumbnailsOfAnOldGenerationAreDropped) {
  BlockingFetch fake({1});
  ThumbnailLoader loader(fake.Fetch(), Quick(2));
  QSignalSpy spy(&loader, &ThumbnailLoader::Loaded);
  loader.Request(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fake.Waiting() == 1; }, 10000));
  const std::uint64_t fresh = loader.NewGeneration();
  loader.Request(2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 1; }, 10000));
  fake.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loader.RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  ASSERT_EQ(spy.size(), 1);
  EXPECT_EQ(spy.at(0).at(0).toULongLong(), fresh);
  EXPECT_EQ(spy.at(0).at(1).toULongLong(), 2u);
}

TEST(ThumbnailLoader, AFetchPastItsTimeLimitGivesTheFallbackOnce) {
  BlockingFetch fake({3});
  ThumbnailLoader::Options options = Quick(1);
  options.timeLimit = 30ms;
  ThumbnailLoader loader(fake.Fetch(), options);
  QSignalSpy spy(&loader, &ThumbnailLoader::Loaded);
  const QImage icon = Picture(qRgb(0, 0, 255));
  loader.Request(3, icon);
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 1; }, 10000));
  EXPECT_EQ(spy.at(0).at(2).value<QImage>(), icon);
  fake.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loader.RunningCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.size(), 1) << "the late picture is not delivered after the fallback";
}

TEST(ThumbnailLoader, AnEmptyResultGivesTheFallbackAndACancelledRequestNothing) {
  BlockingFetch fake({100});
  ThumbnailLoader loader(
      [&](ThumbnailLoader::Key key, const ThumbnailTicket& ticket) {
        return key == 5 ? QImage() : fake.Fetch()(key, ticket);
      },
      Quick(1));
  QSignalSpy spy(&loader, &ThumbnailLoader::Loaded);
  loader.Request(100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fake.Waiting() == 1; }, 10000));
  const QImage icon = Picture(qRgb(0, 255, 0));
  loader.Request(5, icon);
  loader.Request(6);
  loader.Cancel(6);  // its tile now shows another file
  fake.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 2; }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return loader.RunningCount() == 0 && loader.QueuedCount() == 0; }, 10000));
  QCoreApplication::processEvents();
  EXPECT_EQ(DeliveredKeys(spy), (std::set<quint64>{5, 100}));
  for (const auto& arguments : spy)
    if (arguments.at(1).toULongLong() == 5) {
      EXPECT_EQ(arguments.at(2).value<QImage>(), icon);
    }
}

}  // namespace
}  // namespace quellsy::ui
