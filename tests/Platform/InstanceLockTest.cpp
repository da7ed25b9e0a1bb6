// One windowed program per user: the lock file in the user's state folder, taken by the first attempt, refused
// to a second one while held (also inside one process), free again once the holder lets it go; a link planted
// where the file goes is never followed.

#include "Platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;
using Outcome = InstanceLock::Outcome;

class InstanceLockTest : public ::testing::Test {
 protected:
  test::TempDir state_;
  const std::string base_ = state_.path().string();
  test::ScopedEnv stateHome_{"XDG_STATE_HOME", base_.c_str()};
  test::ScopedEnv pkexec_{"PKEXEC_UID", nullptr};
  test::ScopedEnv sudo_{"SUDO_UID", nullptr};
};

TEST_F(InstanceLockTest, TheSecondAttemptIsRefusedUntilTheFirstLetsGo) {
  std::optional<InstanceLock> first = InstanceLock::TryForUser();
  ASSERT_EQ(first->outcome(), Outcome::kHeld);
  const fs::path file = state_.path() / "quellsy" / "instance.lock";
  struct stat info {};
  ASSERT_EQ(lstat(file.c_str(), &info), 0) << file;
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kHeldElsewhere);
  first->Release();
  InstanceLock second = InstanceLock::TryForUser();
  EXPECT_EQ(second.outcome(), Outcome::kHeld) << "released on close";
  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kHeldElsewhere);
  // Moved, it is still held; gone, it is free.
  first = std::move(second);
  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kHeldElsewhere);
  first.reset();
  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kHeld);
}

TEST_F(InstanceLockTest, NoFolderOrAPlantedLinkGivesNothingToGoBy) {
  fs::create_directories(state_.path() / "quellsy");
  const fs::path target = state_.path() / "elsewhere";
  fs::create_symlink(target, state_.path() / "quellsy" / "instance.lock");
  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kUnavailable);
  EXPECT_FALSE(fs::exists(target)) << "the link was followed";

  const std::string missing = (state_.path() / "missing").string();
  const test::ScopedEnv nowhere("XDG_STATE_HOME", missing.c_str());
  EXPECT_EQ(InstanceLock::TryForUser().outcome(), Outcome::kUnavailable);
}

}  // namespace
}  // namespace quellsy::platform
