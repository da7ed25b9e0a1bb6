#include "Platform/BlockDevice.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/LoopDevice.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

using test::TempDir;

struct FileGeometryCase {
  std::size_t bytes;
  long long sectors;
};

class RegularFileGeometry : public ::testing::TestWithParam<FileGeometryCase> {};

// An image file acts as a device of whole 512-byte sectors; a partial last sector is not one.
TEST_P(RegularFileGeometry, CountsWholeSectors) {
  TempDir dir;
  test::WriteFile(dir / "image", std::vector<std::uint8_t>(GetParam().bytes, 0x5A));
  const int fd = OpenReadOnly((dir / "image").c_str());
  ASSERT_GE(fd, 0);
  const auto geometry = QueryBlockGeometry(fd);
  EXPECT_EQ(geometry.sectorSize, 512u);
  EXPECT_EQ(geometry.totalSectors, GetParam().sectors);
  EXPECT_EQ(QuerySizeInBytes(fd), GetParam().bytes);
  close(fd);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RegularFileGeometry,
                         ::testing::Values(FileGeometryCase{0, 0}, FileGeometryCase{511, 0}, FileGeometryCase{512, 1},
                                           FileGeometryCase{1 << 20, 2048}, FileGeometryCase{(1 << 20) + 100, 2048}));

TEST(BlockDevice, OpensReadOnlyAndReportsWhy) {
  TempDir dir;
  test::WriteFile(dir / "image", std::vector<std::uint8_t>(512, 1));
  const int fd = OpenReadOnly((dir / "image").c_str());
  ASSERT_GE(fd, 0);
  const char byte = 0;
  EXPECT_EQ(write(fd, &byte, 1), -1);
  EXPECT_EQ(errno, EBADF);
  close(fd);

  EXPECT_EQ(OpenReadOnly((dir / "missing").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(OpenReadOnly(nullptr), -1);

  EXPECT_EQ(QueryBlockGeometry(-1).sectorSize, 512u);
  EXPECT_EQ(QueryBlockGeometry(-1).totalSectors, 0);
  EXPECT_FALSE(QuerySizeInBytes(-1));
}

TEST(BlockDevice, PermissionErrors) {
  EXPECT_TRUE(IsPermissionError(EACCES));
  EXPECT_TRUE(IsPermissionError(EPERM));
  EXPECT_FALSE(IsPermissionError(ENOENT));
  EXPECT_FALSE(IsPermissionError(EIO));
  EXPECT_FALSE(IsPermissionError(0));
}

TEST(BlockDevice, RawPathIsTheDevNode) {
  EXPECT_EQ(RawDevicePath("sdb"), "/dev/sdb");
  EXPECT_EQ(RawDevicePath("nvme0n1p2"), "/dev/nvme0n1p2");
}

TEST(BlockDevice, DeviceNumberOnlyForBlockNodes) {
  TempDir dir;
  test::WriteFile(dir / "image", {});
  EXPECT_FALSE(BlockDeviceNumber((dir / "image").c_str()));
  EXPECT_FALSE(BlockDeviceNumber("/dev/null"));  // a character device
  EXPECT_FALSE(BlockDeviceNumber((dir / "missing").c_str()));
  EXPECT_FALSE(BlockDeviceNumber(nullptr));
}

class LoopDeviceGeometry : public ::testing::TestWithParam<unsigned> {};

TEST_P(LoopDeviceGeometry, AsksTheKernel) {
  const unsigned sectorSize = GetParam();
  TempDir dir;
  test::WriteFile(dir / "image", std::vector<std::uint8_t>(1 << 20, 0));
  test::LoopDevice loop;
  if (const auto why = loop.Attach(dir / "image", sectorSize); !why.empty()) GTEST_SKIP() << why;

  const int fd = OpenReadOnly(loop.path().c_str());
  ASSERT_GE(fd, 0);
  const auto geometry = QueryBlockGeometry(fd);
  close(fd);
  EXPECT_EQ(geometry.sectorSize, sectorSize);
  EXPECT_EQ(geometry.totalSectors, (1 << 20) / sectorSize);

  // The full dev_t, as sysfs spells it.
  const auto number = BlockDeviceNumber(loop.path().c_str());
  ASSERT_TRUE(number);
  std::ifstream sysfs("/sys/class/block/" + loop.path().substr(5) + "/dev");
  unsigned major = 0, minor = 0;
  char colon = 0;
  ASSERT_TRUE(sysfs >> major >> colon >> minor);
  EXPECT_EQ(*number, makedev(major, minor));
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, LoopDeviceGeometry, ::testing::Values(512u, 4096u));

}  // namespace
}  // namespace quellsy::platform
