#include "Platform/MountInfo.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

namespace quellsy::platform {
namespace {

// Lines as the kernel writes them: optional fields before the "-", escapes in paths, bind mounts.
constexpr const char* kTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "36 35 8:17 / /media/my\\040disk rw,noatime master:1 shared:7 - vfat /dev/sdb1 rw\n"
    "37 35 8:18 /sub /srv/bind rw - ext4 /dev/sdb2 rw\n"
    "38 35 8:18 / /mnt/data rw - ext4 /dev/sdb2 rw\n"
    "39 35 8:19 /sub /srv/only-bind rw - ext4 /dev/sdb3 rw\n"
    "broken line\n"
    "40 35 8:20 / /mnt/no-separator rw ext4 /dev/sdb4 rw\n"
    "41 35 8:x / /mnt/bad-device rw - ext4 /dev/sdb5 rw\n"
    "42 35 8:21 / /tab\\011and\\134slash rw - vfat /dev/sdb6 rw";

TEST(MountInfo, ParsesTheKernelsTable) {
  const auto mounts = ParseMountInfo(kTable);
  ASSERT_EQ(mounts.size(), 6u);
  EXPECT_EQ(mounts[1].deviceNumber, makedev(8, 17));
  EXPECT_EQ(mounts[1].mountPoint, "/media/my disk");
  EXPECT_EQ(mounts[1].fsType, "vfat");
  EXPECT_EQ(mounts[1].source, "/dev/sdb1");
  EXPECT_EQ(mounts[5].mountPoint, "/tab\tand\\slash");
}

TEST(MountInfo, FindsTheMountOfTheWholeFileSystemFirst) {
  const auto mounts = ParseMountInfo(kTable);
  const std::vector<std::pair<unsigned, std::optional<std::string>>> cases = {
      {17, "/media/my disk"}, {18, "/mnt/data"}, {19, "/srv/only-bind"}, {20, std::nullopt}, {99, std::nullopt}};
  for (const auto& [minor, expected] : cases) EXPECT_EQ(FindMountPoint(mounts, makedev(8, minor)), expected) << minor;
  EXPECT_TRUE(ReadMountInfo("/nonexistent/mountinfo").empty());
  EXPECT_FALSE(ReadMountInfo("/proc/self/mountinfo").empty());
}

}  // namespace
}  // namespace quellsy::platform
