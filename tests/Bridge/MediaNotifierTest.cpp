// Media events from a scripted source become the arrival and removal notifications.

#include "Bridge/MediaNotifier.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "Bridge/BridgeServices.h"
#include "RecordingPoster.h"

namespace quellsy::test {
namespace {

using bridge::Notification;
using bridge::NotificationInfo;
using platform::MediaEvent;

MediaEvent Added(const std::string& node, bool whole, std::int64_t size, const std::string& name = "") {
  return {MediaEvent::Action::kAdd, node, whole, size, name};
}
MediaEvent Removed(const std::string& node) { return {MediaEvent::Action::kRemove, node, false, 0, ""}; }

// Hands out the batches a test queues, one per Wait, as udev reports events that came together.
class ScriptedSource final : public platform::IMediaEventSource {
 public:
  explicit ScriptedSource(std::vector<MediaEvent> existing) : existing_(std::move(existing)) {}
  std::vector<MediaEvent> Existing() override { return existing_; }
  std::vector<MediaEvent> Wait() override {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [&] { return stopped_ || !batches_.empty(); });
    if (stopped_) return {};
    auto batch = std::move(batches_.front());
    batches_.pop_front();
    return batch;
  }
  void Stop() override {
    std::lock_guard lock(lock_);
    stopped_ = true;
    changed_.notify_all();
  }
  void Queue(std::vector<MediaEvent> batch) {
    std::lock_guard lock(lock_);
    batches_.push_back(std::move(batch));
    changed_.notify_all();
  }

 private:
  std::vector<MediaEvent> existing_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::vector<MediaEvent>> batches_;
  bool stopped_ = false;
};

TEST(MediaNotifier, ArrivalsOfOneBatchShareOneNotification) {
  const auto attach = bridge::AttachNotification(
      {Added("/dev/sdc", true, 8 * 1024 * 1024, "Cruzer Blade"), Added("/dev/sdc1", false, 1048576),
       Added("", false, 512),
       Removed("/dev/sdb1")});
  ASSERT_TRUE(attach.has_value());
  EXPECT_EQ(attach->name, "RefreshAttachDevice");
  const std::vector<NotificationInfo> expected = {
      {{"VolumePath", "/dev/sdc"}, {"VolumeName", "Cruzer Blade"}, {"VolumeSize", "8388608"}, {"isDisk", "1"}},
      {{"VolumePath", "/dev/sdc1"}, {"VolumeName", ""}, {"VolumeSize", "1048576"}, {"isDisk", "0"}}};
  EXPECT_EQ(attach->items, expected);
  EXPECT_FALSE(bridge::AttachNotification({Removed("/dev/sdb"), Added("", true, 1)}).has_value());
}

TEST(MediaNotifier, EachRemovalIsItsOwnNotification) {
  const auto detach = bridge::DetachNotifications({Removed("/dev/sdb1"), Added("/dev/sdd", true, 1), Removed("/dev/sdb")});
  const std::vector<Notification> expected = {{"RefreshDetachDevice", {{"USBPath", "/dev/sdb1"}}, {}},
                                              {"RefreshDetachDevice", {{"USBPath", "/dev/sdb"}}, {}}};
  EXPECT_EQ(detach, expected);
}

struct ExistingCase {
  bool showExisting;
  std::size_t postedAtStart;
};

class MediaNotifierExisting : public ::testing::TestWithParam<ExistingCase> {};

TEST_P(MediaNotifierExisting, ListensUntilStoppedAndAnnouncesPresentMediaOnlyWhenAsked) {
  ScopedRecordingPoster scope;
  bridge::Settings().SetBool(bridge::kShowExistingKey, GetParam().showExisting);
  auto owned = std::make_unique<ScriptedSource>(std::vector<MediaEvent>{Added("/dev/sda", true, 4096)});
  ScriptedSource* source = owned.get();
  ASSERT_TRUE(bridge::USBNotifier_init(std::move(owned)));
  EXPECT_EQ(scope.poster().Recorded().size(), GetParam().postedAtStart);

  source->Queue({Added("/dev/sdc", true, 2048), Added("/dev/sdc1", false, 1024)});
  source->Queue({Removed("/dev/sdc1"), Removed("/dev/sdc")});
  ASSERT_TRUE(scope.poster().WaitForCount(GetParam().postedAtStart + 3));
  bridge::USBNotifier_dealloc();

  auto names = scope.poster().Names();
  names.erase(names.begin(), names.begin() + static_cast<long>(GetParam().postedAtStart));
  EXPECT_EQ(names, (std::vector<std::string>{"RefreshAttachDevice", "RefreshDetachDevice", "RefreshDetachDevice"}));
  const auto recorded = scope.poster().Recorded();
  EXPECT_EQ(recorded[GetParam().postedAtStart].notification.items.size(), 2u);
  EXPECT_EQ(recorded.back().notification.info.at("USBPath"), "/dev/sdc");
}

INSTANTIATE_TEST_SUITE_P(Settings, MediaNotifierExisting,
                         ::testing::Values(ExistingCase{false, 0}, ExistingCase{true, 1}));

TEST(MediaNotifier, StoppingWithoutStartingIsHarmless) { bridge::USBNotifier_dealloc(); }

}  // namespace
}  // namespace quellsy::test
