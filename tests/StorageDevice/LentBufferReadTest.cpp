// Reads into a lent buffer: the same results as ReadSector for every device kind, raw file reads filled in
// place, and a stalled read that leaves its storage behind.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "StorageDevice/DmgRecordFormat.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "support/FaultyRawReadBackend.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy;
using namespace std::chrono_literals;

constexpr unsigned kSector = 512;
constexpr long long kFileSectors = 64;
constexpr long long kRangeStart = 10;
constexpr long long kRangeSectors = 40;

// A device over a 64-sector file (or memory), the file byte where its sector 0 lies, and its sector count.
struct Built {
  std::unique_ptr<IStorageDevice> device;
  std::unique_ptr<IStorageDevice> parent;  // kept alive for range devices
  long long base = 0;
  long long sectors = 0;
};

struct Kind {
  const char* name;
  std::function<Built(const std::string& path, const std::vector<std::uint8_t>& file)> build;
};

std::unique_ptr<IStorageDevice> Opened(IStorageDevice* device) {
  EXPECT_TRUE(device->Open(nullptr));
  return std::unique_ptr<IStorageDevice>(device);
}

// Devices that read the file through the raw-read routine.
const Kind kFileKinds[] = {
    {"Disk",
     [](const std::string& path, const auto&) {
       return Built{Opened(CreateDiskDevice(path.c_str())), {}, 0, kFileSectors};
     }},
    {"Volume",
     [](const std::string& path, const auto&) {
       return Built{Opened(CreateVolumeDevice(path.c_str())), {}, 0, kFileSectors};
     }},
    {"DmgBehindItsDataOffset",
     [](const std::string& path, const auto& file) {
       CDMGDeviceInfoStruct record;
       record.sectorCount = kFileSectors - 3;
       record.dataOffset = 3 * kSector;
       record.fileSize = file.size();
       std::strcpy(record.name, "disk.dmg");
       std::strcpy(record.imagePath, path.c_str());
       return Built{
           std::unique_ptr<IStorageDevice>(CreateDmgDevice(path.c_str(), &record)), {}, 3 * kSector, kFileSectors - 3};
     }},
    {"RangeOfADisk",
     [](const std::string& path, const auto&) {
       auto disk = Opened(CreateDiskDevice(path.c_str()));
       auto range = std::make_unique<CPartitionVirtualVolumeDevice>(disk.get(), kRangeStart, kRangeSectors);
       EXPECT_TRUE(range->Open(nullptr));
       return Built{std::move(range), std::move(disk), kRangeStart * kSector, kRangeSectors};
     }},
};

// A device that keeps the interface's own ReadSectorInto.
const Kind kDefaultKinds[] = {
    {"Memory",
     [](const std::string&, const auto& file) {
       return Built{std::make_unique<test::MemoryDevice>(
                        std::vector<std::uint8_t>(file.begin(), file.begin() + kFileSectors * kSector), kSector),
                    {},
                    0,
                    kFileSectors};
     }},
};

class LentBufferRead : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    file_ = test::PatternBytes(kFileSectors * kSector, 17);
    test::WriteFile(dir_ / "disk.dmg", file_);
    built_ = GetParam().build((dir_ / "disk.dmg").string(), file_);
    ASSERT_NE(built_.device, nullptr);
    ASSERT_EQ(built_.device->GetTotalSectors(), built_.sectors);
  }

  static RawReadBuffer Filled(long long sectors, std::uint8_t fill) {
    RawReadBuffer buffer(static_cast<std::size_t>(sectors) * kSector);
    std::memset(buffer.data(), fill, buffer.capacity());
    return buffer;
  }
  static std::vector<std::uint8_t> Bytes(const RawReadBuffer& buffer) {
    return {buffer.data(), buffer.data() + buffer.capacity()};
  }

  test::TempDir dir_;
  std::vector<std::uint8_t> file_;
  Built built_;
};

// Whatever ReadSector answers (bytes, result, last error), ReadSectorInto answers too: inside, at the end,
// clamped or refused past it, and bad arguments.
TEST_P(LentBufferRead, AnswersAsReadSectorDoes) {
  IStorageDevice& device = *built_.device;
  const long long n = built_.sectors;
  struct Case {
    long long first, count;
  };
  for (const Case c : {Case{0, 1}, Case{3, 5}, Case{n - 1, 1}, Case{n - 2, 4}, Case{n, 1}, Case{-1, 1}, Case{0, 0}}) {
    const long long room = c.count > 0 ? c.count : 1;
    std::vector<std::uint8_t> kept(static_cast<std::size_t>(room) * kSector, 0xAA);
    const bool keptOk = device.ReadSector(kept.data(), c.first, c.count);
    const auto keptError = device.GetLastError();

    auto lent = Filled(room, 0xAA);
    EXPECT_EQ(device.ReadSectorInto(lent, c.first, c.count, 0), keptOk) << c.first << "+" << c.count;
    EXPECT_EQ(device.GetLastError(), keptError) << c.first << "+" << c.count;
    EXPECT_EQ(Bytes(lent), kept) << c.first << "+" << c.count;
  }
  std::vector<std::uint8_t> expected(file_.begin() + built_.base + 3 * kSector,
                                     file_.begin() + built_.base + 8 * kSector);
  auto lent = Filled(5, 0xAA);
  ASSERT_TRUE(device.ReadSectorInto(lent, 3, 5, 0));
  EXPECT_EQ(Bytes(lent), expected);
}

// From a byte inside the buffer: the sectors land there and the bytes around them are left as they were; sectors
// that would run past the buffer's end from that byte are refused.
TEST_P(LentBufferRead, ReadsFromAByteInsideTheBuffer) {
  constexpr std::size_t kAt = 1000;
  auto lent = Filled(8, 0xAA);
  ASSERT_TRUE(built_.device->ReadSectorInto(lent, 3, 5, kAt));
  auto expected = std::vector<std::uint8_t>(8 * kSector, 0xAA);
  std::copy(file_.begin() + built_.base + 3 * kSector, file_.begin() + built_.base + 8 * kSector,
            expected.begin() + kAt);
  EXPECT_EQ(Bytes(lent), expected);

  auto tight = Filled(6, 0xAA);
  EXPECT_FALSE(built_.device->ReadSectorInto(tight, 0, 5, 2 * kSector));
  EXPECT_EQ(ErrorOf(built_.device->GetLastError()), error::kBadArgument);
  EXPECT_EQ(Bytes(tight), std::vector<std::uint8_t>(6 * kSector, 0xAA));
}

TEST_P(LentBufferRead, BufferTooSmallOrEmptyIsABadArgumentAndStaysUntouched) {
  auto small = Filled(2, 0xAA);
  EXPECT_FALSE(built_.device->ReadSectorInto(small, 0, 3, 0));
  EXPECT_EQ(ErrorOf(built_.device->GetLastError()), error::kBadArgument);
  EXPECT_EQ(Bytes(small), std::vector<std::uint8_t>(2 * kSector, 0xAA));

  RawReadBuffer empty;
  EXPECT_FALSE(built_.device->ReadSectorInto(empty, 0, 1, 0));
  EXPECT_EQ(ErrorOf(built_.device->GetLastError()), error::kBadArgument);
}

// File devices read in place: a stalled read times out, keeps the storage it writes into and the caller gets new
// storage of the same size, zeros where the stalled piece was, that the late write never reaches.
class LentBufferFileRead : public LentBufferRead {};

TEST_P(LentBufferFileRead, StalledReadLeavesItsStorageBehind) {
  auto backend = std::make_shared<test::FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({built_.base + 2 * kSector, built_.base + 3 * kSector});
  test::ScopedRawReadBackend scoped(backend, 100ms);

  auto lent = Filled(6, 0xAA);
  const unsigned char* before = lent.data();
  EXPECT_FALSE(built_.device->ReadSectorInto(lent, 2, 4, 0));
  EXPECT_EQ(ErrorOf(built_.device->GetLastError()), error::kFailure);
  EXPECT_NE(lent.data(), before);
  ASSERT_EQ(lent.capacity(), 6u * kSector);

  backend->ReleaseStalled();
  ASSERT_TRUE(WaitForAbandonedRawReads(10s));
  auto expected = std::vector<std::uint8_t>(6 * kSector, 0xAA);
  std::fill(expected.begin(), expected.begin() + 4 * kSector, 0);
  EXPECT_EQ(Bytes(lent), expected);
}

std::string KindName(const ::testing::TestParamInfo<Kind>& kind) { return kind.param.name; }

INSTANTIATE_TEST_SUITE_P(FileKinds, LentBufferRead, ::testing::ValuesIn(kFileKinds), KindName);
INSTANTIATE_TEST_SUITE_P(DefaultKinds, LentBufferRead, ::testing::ValuesIn(kDefaultKinds), KindName);
INSTANTIATE_TEST_SUITE_P(FileKinds, LentBufferFileRead, ::testing::ValuesIn(kFileKinds), KindName);

}  // namespace
