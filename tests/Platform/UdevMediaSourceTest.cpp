// The udev source against lsblk: both read the same kernel view of block devices.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <thread>

#include "Platform/MediaEvents.h"

namespace quellsy::platform {
namespace {

std::string Output(const char* command) {
  std::string text;
  FILE* pipe = popen(command, "r");
  if (!pipe) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  pclose(pipe);
  return text;
}

TEST(UdevMediaSource, PresentMediaMatchLsblk) {
  auto source = CreateUdevMediaSource();
  if (!source) GTEST_SKIP() << "no udev netlink socket on this machine";
  std::set<std::pair<std::string, std::int64_t>> fromUdev;
  for (const auto& event : source->Existing()) {
    EXPECT_EQ(event.action, MediaEvent::Action::kAdd);
    if (event.sizeBytes > 0) fromUdev.insert({event.devNode, event.sizeBytes});
  }
  std::set<std::pair<std::string, std::int64_t>> fromLsblk;
  std::istringstream lines(Output("lsblk -brnpo NAME,SIZE,TYPE 2>/dev/null"));
  std::string name, type;
  std::int64_t size = 0;
  while (lines >> name >> size >> type)
    if (size > 0 && (type == "disk" || type == "part" || type == "loop")) fromLsblk.insert({name, size});
  ASSERT_FALSE(fromLsblk.empty()) << "lsblk listed no block device";
  for (const auto& device : fromLsblk) EXPECT_TRUE(fromUdev.count(device)) << device.first << " " << device.second;
}

TEST(UdevMediaSource, StopEndsAWaitInProgress) {
  auto source = CreateUdevMediaSource();
  if (!source) GTEST_SKIP() << "no udev netlink socket on this machine";
  std::vector<MediaEvent> events{MediaEvent{}};
  std::thread waiter([&] { events = source->Wait(); });
  source->Stop();
  waiter.join();
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(source->Wait().empty());
}

}  // namespace
}  // namespace quellsy::platform
