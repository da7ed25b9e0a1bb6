// Byte-granular reads of the device under the volume: partial first and last sectors, whole sectors between,
// failures that return what was copied before them, and the one line every failure logs.

#include <gtest/gtest.h>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

struct ReadCase {
  const char* name;
  unsigned sectorSize;
  std::uint64_t offset;
  std::uint64_t length;
  long long failFirst;  // first failing sector, -1 for none
  std::uint64_t copied;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class DeviceReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DeviceReads, CopiesTheBytesAtTheOffset) {
  const auto& c = GetParam();
  const auto bytes = PatternBytes(16 * 4096, 3);
  MemoryDevice device(bytes, c.sectorSize);
  if (c.failFirst >= 0) device.FailSectors(c.failFirst, 1);
  CHFSPlusVolume volume(&device, false);  // not an HFS+ volume: only the device reads are used
  std::vector<std::uint8_t> out(c.length, 0xAA);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(volume.Read(c.offset, out.data(), c.length), c.copied);
  ::testing::internal::GetCapturedStdout();
  const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(c.offset);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.copied), at));
  if (c.copied != c.length) {
    EXPECT_EQ(ErrorOf(volume.GetLastError()), 0x501u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceReads,
    ::testing::Values(ReadCase{"aligned", 512, 1024, 1536, -1, 1536},
                      ReadCase{"inside_one_sector", 512, 700, 100, -1, 100},
                      ReadCase{"head_whole_and_tail", 512, 1000, 3000, -1, 3000},
                      ReadCase{"head_and_tail_4k", 4096, 4000, 5000, -1, 5000},
                      ReadCase{"header_on_4k_sectors", 4096, 1024, 512, -1, 512},
                      ReadCase{"head_fails", 512, 700, 2000, 1, 0},
                      ReadCase{"middle_fails", 512, 700, 2000, 3, 324},
                      ReadCase{"tail_fails", 512, 700, 2000, 5, 1860},
                      ReadCase{"past_the_end", 512, 16 * 4096 - 10, 20, -1, 10}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DeviceReads, NothingWithoutDeviceOrBuffer) {
  MemoryDevice device(8, 512);
  CHFSPlusVolume volume(&device, false);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(volume.Read(0, nullptr, 10), 0u);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(ErrorOf(volume.GetLastError()), 0x501u);
}

TEST(FailureLine, NamesCodeFileLineAndFunction) {
  ::testing::internal::CaptureStdout();
  const auto code = hfsplus::FormatError(0x0105002A00000006ull, "/some/where/CHFSPlusVolume.cpp", 42, "Open");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Return Error:0x105002A00000006\tFile:CHFSPlusVolume.cpp\tLine:42\tFuction:Open\n");
  EXPECT_EQ(code, 0x0105002A00000006ull);
  ::testing::internal::CaptureStdout();
  hfsplus::FormatError(5, "C:\\src\\x.cpp", 7, "f");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Return Error:0x5\tFile:x.cpp\tLine:7\tFuction:f\n");
}

}  // namespace
}  // namespace quellsy::test
