// Disk and volume devices over image files and loop devices.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <optional>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DiskDevice.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "StorageDevice/VolumeDevice.h"
#include "support/FaultyRawReadBackend.h"
#include "support/FixtureScript.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy;
using namespace std::chrono_literals;
using test::TempDir;

struct Kind {
  const char* name;
  IStorageDevice* (*create)(const char*);
  int type;
};

const Kind kDisk{"Disk", CreateDiskDevice, STORAGE_DEVICE_DISK};
const Kind kVolume{"Volume", CreateVolumeDevice, STORAGE_DEVICE_VOLUME};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }

std::string KindName(const ::testing::TestParamInfo<Kind>& testCase) { return testCase.param.name; }

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t length) {
  return {bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset + length)};
}

class RawDeviceKind : public ::testing::TestWithParam<Kind> {
 protected:
  // An image of 64 sectors and a partial one.
  void SetUp() override {
    bytes_ = test::PatternBytes(64 * 512 + 100, 7);
    test::WriteFile(dir_ / "image", bytes_);
    device_.reset(GetParam().create((dir_ / "image").c_str()));
  }

  TempDir dir_;
  std::vector<std::uint8_t> bytes_;
  std::unique_ptr<IStorageDevice> device_;
};

TEST_P(RawDeviceKind, ReadsExactBytesOfAnImageFile) {
  ASSERT_TRUE(device_->Open(nullptr));
  EXPECT_EQ(device_->GetType(), GetParam().type);
  EXPECT_EQ(device_->GetSectorSize(), 512u);
  EXPECT_EQ(device_->GetTotalSectors(), 64);
  EXPECT_TRUE(device_->IsPermitted());

  std::vector<std::uint8_t> buffer(5 * 512, 0xAA);
  ASSERT_TRUE(device_->ReadSector(buffer.data(), 3, 5));
  EXPECT_EQ(buffer, Slice(bytes_, 3 * 512, 5 * 512));
  std::vector<std::uint8_t> last(512);
  ASSERT_TRUE(device_->ReadSector(last.data(), 63, 1));
  EXPECT_EQ(last, Slice(bytes_, 63 * 512, 512));
  EXPECT_EQ(device_->GetLastError(), kResultOk);

  EXPECT_FALSE(device_->IOCtl(0x40046418, nullptr));
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kUnsupported);
  EXPECT_EQ(ModuleOf(device_->GetLastError()), module::kStorageDevice);

  // A closed device reads zeros and fails, never leaving what the buffer held.
  ASSERT_TRUE(device_->Close());
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  EXPECT_FALSE(device_->ReadSector(buffer.data(), 0, 5));
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kFailure);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(buffer.size(), 0));
}

TEST_P(RawDeviceKind, AnImageFileTellsWhereItsSectorsLieForKernelCopies) {
  int fd = -1;
  long long byteOffset = -1;
  EXPECT_FALSE(device_->FileExtent(0, 1, fd, byteOffset)) << "not open";
  ASSERT_TRUE(device_->Open(nullptr));
  ASSERT_TRUE(device_->FileExtent(10, 4, fd, byteOffset));
  EXPECT_EQ(byteOffset, 10 * 512);
  std::vector<std::uint8_t> viaFd(4 * 512);
  ASSERT_EQ(pread(fd, viaFd.data(), viaFd.size(), byteOffset), static_cast<ssize_t>(viaFd.size()));
  EXPECT_EQ(viaFd, Slice(bytes_, 10 * 512, 4 * 512));
  EXPECT_TRUE(device_->FileExtent(63, 1, fd, byteOffset));
  for (const auto& [first, count] : {std::pair{63LL, 2LL}, {-1LL, 1LL}, {0LL, 0LL}, {LLONG_MAX / 256, 1LL}})
    EXPECT_FALSE(device_->FileExtent(first, count, fd, byteOffset)) << first << "+" << count;
  ASSERT_TRUE(device_->Close());
  EXPECT_FALSE(device_->FileExtent(0, 1, fd, byteOffset)) << "closed";
}

TEST_P(RawDeviceKind, RefusesBadReadArguments) {
  ASSERT_TRUE(device_->Open(nullptr));
  std::vector<std::uint8_t> buffer(512);
  struct Case {
    void* buffer;
    long long first;
    long long count;
  };
  for (const Case& c : {Case{nullptr, 0, 1}, Case{buffer.data(), -1, 1}, Case{buffer.data(), 0, 0},
                        Case{buffer.data(), 0, -1}, Case{buffer.data(), LLONG_MAX / 256, 1},
                        Case{buffer.data(), 0, LLONG_MAX / 256}}) {
    EXPECT_FALSE(device_->ReadSector(c.buffer, c.first, c.count)) << c.first << "+" << c.count;
    EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kBadArgument) << c.first << "+" << c.count;
  }
}

// The record collected for a device overrides what the node reported, before and after opening;
// a holder of another kind, or none, is error 7 and changes nothing.
TEST_P(RawDeviceKind, TakesItsGeometryFromItsRecord) {
  ASSERT_TRUE(device_->Open(nullptr));
  IStorageDeviceData* holder = nullptr;
  if (GetParam().type == STORAGE_DEVICE_DISK) {
    auto* record = new CCollectDiskDeviceInfoStruct;
    record->sectorSize = 4096;
    record->totalSectors = 8;
    holder = CreateDiskDeviceData(record);
  } else {
    auto* record = new CCollectedVolumeDeviceInfoStruct;
    record->sectorSize = 4096;
    record->totalSectors = 8;
    holder = CreateVolumeDeviceData(record);
  }
  device_->SetPrivateData(holder);
  EXPECT_EQ(device_->GetLastError(), kResultOk);
  EXPECT_EQ(device_->GetSectorSize(), 4096u);
  EXPECT_EQ(device_->GetTotalSectors(), 8);
  ASSERT_TRUE(device_->Open(nullptr));
  EXPECT_EQ(device_->GetSectorSize(), 4096u);
  std::vector<std::uint8_t> buffer(4096);
  ASSERT_TRUE(device_->ReadSector(buffer.data(), 2, 1));
  EXPECT_EQ(buffer, Slice(bytes_, 2 * 4096, 4096));

  device_->SetPrivateData(holder);  // the same holder again stays alive
  EXPECT_EQ(device_->GetPrivateData(), holder);

  auto* foreign = CreatePartitionDeviceData(new CCollectedPartitionDeviceInfoStruct);
  device_->SetPrivateData(foreign);
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kNoPrivateData);
  EXPECT_EQ(device_->GetPrivateData(), foreign);
  EXPECT_EQ(device_->GetSectorSize(), 4096u);
  device_->SetPrivateData(nullptr);
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kNoPrivateData);
  EXPECT_EQ(device_->GetTotalSectors(), 8);
}

// An image file cut short under an open device stopped answering as it did; one that grew, was renamed or had
// an unreadable sector did not. A closed device tells nothing.
TEST_P(RawDeviceKind, StopsAnsweringOnlyWhenItsImageShrinks) {
  EXPECT_FALSE(device_->StoppedAnswering()) << "not open";
  ASSERT_TRUE(device_->Open(nullptr));
  EXPECT_FALSE(device_->StoppedAnswering());
  {
    const auto backend = std::make_shared<test::FaultyRawReadBackend>();
    backend->FailRequestsCovering({5 * 512, 6 * 512});
    const test::ScopedRawReadBackend scoped(backend, 30s);
    std::vector<std::uint8_t> buffer(512);
    EXPECT_FALSE(device_->ReadSector(buffer.data(), 5, 1));
    EXPECT_FALSE(device_->StoppedAnswering()) << "a bad sector";
  }
  std::filesystem::resize_file(dir_ / "image", bytes_.size() + 512);
  EXPECT_FALSE(device_->StoppedAnswering()) << "grown";
  std::filesystem::rename(dir_ / "image", dir_ / "renamed");
  EXPECT_FALSE(device_->StoppedAnswering()) << "renamed: the open file is still read";
  std::filesystem::resize_file(dir_ / "renamed", bytes_.size() - 1);
  EXPECT_TRUE(device_->StoppedAnswering()) << "cut short";
  device_->Close();
  EXPECT_FALSE(device_->StoppedAnswering()) << "closed";
}

TEST_P(RawDeviceKind, ReOpenRetriesThreeTimesAndPauses) {
  auto& raw = dynamic_cast<CRawDevice&>(*device_);
  std::vector<std::chrono::milliseconds> pauses;
  raw.SetReOpenPause([&](std::chrono::milliseconds pause) { pauses.push_back(pause); });
  ASSERT_TRUE(raw.ReOpen());
  EXPECT_TRUE(pauses.empty());

  std::filesystem::rename(dir_ / "image", dir_ / "away");
  EXPECT_FALSE(raw.ReOpen());
  EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(3, 1000ms));
  EXPECT_EQ(ErrorOf(raw.GetLastError()), error::kFailure);

  // The image comes back while the device waits: the next attempt finds it.
  pauses.clear();
  raw.SetReOpenPause([&](std::chrono::milliseconds pause) {
    pauses.push_back(pause);
    std::filesystem::rename(dir_ / "away", dir_ / "image");
  });
  ASSERT_TRUE(raw.ReOpen());
  EXPECT_EQ(pauses.size(), 1u);
  std::vector<std::uint8_t> buffer(512);
  ASSERT_TRUE(raw.ReadSector(buffer.data(), 10, 1));
  EXPECT_EQ(buffer, Slice(bytes_, 10 * 512, 512));
}

// Opening without the rights leaves the device not permitted with error 1; a missing node is only a
// failure. Root passes any mode check, so the refusal comes from a child that drops to nobody.
TEST_P(RawDeviceKind, PermissionRefusal) {
  EXPECT_FALSE(device_->Open(const_cast<char*>((dir_ / "missing").c_str())));
  EXPECT_TRUE(device_->IsPermitted());
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kFailure);

  const auto secret = dir_ / "secret";
  test::WriteFile(secret, std::vector<std::uint8_t>(512, 1));
  ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  auto check = [&](IStorageDevice& device) -> int {
    if (device.Open(nullptr)) return 10;
    if (device.IsPermitted()) return 11;
    if (ErrorOf(device.GetLastError()) != error::kFailure) return 12;
    return 0;
  };
  std::unique_ptr<IStorageDevice> device(GetParam().create(secret.c_str()));
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(secret.c_str(), 0), 0);
    EXPECT_EQ(check(*device), 0);
    return;
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only this thread lives in the child: it touches nothing but the device and leaves with _exit.
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(20);
    _exit(check(*device));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10 opened, 11 still permitted, 12 wrong error, 20 could not drop root";
}

INSTANTIATE_TEST_SUITE_P(Kinds, RawDeviceKind, ::testing::Values(kDisk, kVolume), KindName);

struct LoopCase {
  Kind kind;
  unsigned sectorSize;
};

void PrintTo(const LoopCase& loopCase, std::ostream* out) {
  *out << loopCase.kind.name << " with " << loopCase.sectorSize << "-byte sectors";
}

class RawDeviceOnLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(RawDeviceOnLoop, ReadsExactBytes) {
  const auto [kind, sectorSize] = GetParam();
  TempDir dir;
  const auto bytes = test::PatternBytes(256 * 1024, 3);
  test::WriteFile(dir / "image", bytes);
  test::LoopDevice loop;
  if (const auto why = loop.Attach(dir / "image", sectorSize); !why.empty()) GTEST_SKIP() << why;

  std::unique_ptr<IStorageDevice> device(kind.create(loop.path().c_str()));
  ASSERT_TRUE(device->Open(nullptr));
  EXPECT_EQ(device->GetSectorSize(), sectorSize);
  EXPECT_EQ(device->GetTotalSectors(), static_cast<long long>(bytes.size() / sectorSize));
  std::vector<std::uint8_t> buffer(3 * sectorSize);
  ASSERT_TRUE(device->ReadSector(buffer.data(), 5, 3));
  EXPECT_EQ(buffer, Slice(bytes, 5 * sectorSize, 3 * sectorSize));
  const long long last = device->GetTotalSectors() - 1;
  ASSERT_TRUE(device->ReadSector(buffer.data(), last, 1));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + sectorSize, bytes.end() - sectorSize));
  int fd = -1;
  long long byteOffset = 0;
  EXPECT_FALSE(device->FileExtent(0, 1, fd, byteOffset)) << "a block device is never copied from as a file";
}

// A loop device whose backing file is cut short and that is told its new size (losetup -c), as a card pulled from
// its reader: the device stopped answering as it did; told its old size again, it answers again.
TEST_P(RawDeviceOnLoop, StopsAnsweringWhenItShrinks) {
  const auto [kind, sectorSize] = GetParam();
  TempDir dir;
  const auto bytes = test::PatternBytes(256 * 1024, 5);
  test::WriteFile(dir / "image", bytes);
  test::LoopDevice loop;
  if (const auto why = loop.Attach(dir / "image", sectorSize); !why.empty()) GTEST_SKIP() << why;

  std::unique_ptr<IStorageDevice> device(kind.create(loop.path().c_str()));
  ASSERT_TRUE(device->Open(nullptr));
  EXPECT_FALSE(device->StoppedAnswering());
  std::filesystem::resize_file(dir / "image", 64 * 1024);
  QUELLSY_REQUIRE_FIXTURE(test::RunFixtureCommand("losetup -c " + loop.path()));
  EXPECT_TRUE(device->StoppedAnswering());
  std::filesystem::resize_file(dir / "image", bytes.size());
  QUELLSY_REQUIRE_FIXTURE(test::RunFixtureCommand("losetup -c " + loop.path()));
  EXPECT_FALSE(device->StoppedAnswering());
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, RawDeviceOnLoop,
                         ::testing::Values(LoopCase{kDisk, 512}, LoopCase{kDisk, 4096}, LoopCase{kVolume, 512},
                                           LoopCase{kVolume, 4096}),
                         [](const auto& testCase) {
                           return std::string(testCase.param.kind.name) + std::to_string(testCase.param.sectorSize);
                         });

// Counts bad-sector events up to a marker event: the centre delivers in push order, so every event
// a read pushed has arrived once the marker has.
class EventCounter : public INotifyCenter {
 public:
  static constexpr auto kMarker = static_cast<EVENT_TYPE>(0x7E57);

  int Notify(_MSG_EVENT* event) override {
    {
      std::lock_guard lock(mutex_);
      if (event->type == kMarker) marked_ = true;
      else if (!marked_ && event->type == EVENT_BAD_SECTOR) {
        ++badSectors_;
        ranges_.push_back(DecodeBadSectorRange(*event));
      }
    }
    changed_.notify_all();
    return 0;
  }
  // Only bounds the wait of a failing test; a passing one returns as soon as the events are there.
  static constexpr auto kLimit = 60s;
  int BadSectorsBeforeMarker() {
    CMessageCenter::Instance().PushEvent(kMarker, 0, nullptr);
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kLimit, [this] { return marked_; }) ? badSectors_ : -1;
  }
  // Waits until `count` bad-sector events have arrived; false only when the limit ended the wait.
  bool WaitForBadSectors(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kLimit, [this, count] { return badSectors_ >= count; });
  }
  // The ranges of the events counted, in arrival order (nullopt for an event without one).
  std::vector<std::optional<BadSectorRange>> Ranges() {
    std::lock_guard lock(mutex_);
    return ranges_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<BadSectorRange>> ranges_;
  bool marked_ = false;
  int badSectors_ = 0;
};

class BadSectorEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    CMessageCenter::Instance().ResetForTesting();
    CMessageCenter::Instance().SetDispatchInterval(1ms);
    ASSERT_TRUE(CMessageCenter::Instance().RegisterNotifyCenter(7, &counter_));
    bytes_ = test::PatternBytes(32 * 512, 9);
    test::WriteFile(dir_ / "image", bytes_);
    backend_->FailRequestsStartingIn({4 * 512, 5 * 512});
  }
  void TearDown() override { CMessageCenter::Instance().ResetForTesting(); }

  TempDir dir_;
  std::vector<std::uint8_t> bytes_;
  EventCounter counter_;
  std::shared_ptr<test::FaultyRawReadBackend> backend_ = std::make_shared<test::FaultyRawReadBackend>();
};

TEST_F(BadSectorEvents, FailedVolumeReadPushesExactlyOne) {
  test::ScopedRawReadBackend scoped(backend_, 5s);
  CVolumeDevice volume((dir_ / "image").c_str());
  ASSERT_TRUE(volume.Open(nullptr));
  std::vector<std::uint8_t> buffer(2 * 512, 0xAA);
  EXPECT_FALSE(volume.ReadSector(buffer.data(), 4, 2));
  EXPECT_EQ(volume.GetLastError() >> 48, 0x010Eu);
  EXPECT_EQ(ErrorOf(volume.GetLastError()), error::kFailure);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(buffer.size(), 0));

  // Past the end is a bad argument, not a bad sector.
  EXPECT_FALSE(volume.ReadSector(buffer.data(), 32, 1));
  EXPECT_EQ(ErrorOf(volume.GetLastError()), error::kBadArgument);
  EXPECT_EQ(counter_.BadSectorsBeforeMarker(), 1);
  EXPECT_EQ(counter_.Ranges(), (std::vector<std::optional<BadSectorRange>>{BadSectorRange{4, 2}}));
}

// Once every raw-read worker is stuck in a stalled read, a read never reaches the device: a device error of its
// own, which is no bad sector.
TEST_F(BadSectorEvents, ReadRefusedForStalledWorkersIsADeviceErrorNotABadSector) {
  backend_->StallRequestsStartingIn({8 * 512, 9 * 512});
  test::ScopedRawReadBackend scoped(backend_, 30ms);
  CVolumeDevice volume((dir_ / "image").c_str());
  ASSERT_TRUE(volume.Open(nullptr));
  std::vector<std::uint8_t> buffer(512);
  const int stalled = static_cast<int>(kMaxAbandonedRawReads) + 1;
  for (int i = 0; i < stalled; ++i) {
    EXPECT_FALSE(volume.ReadSector(buffer.data(), 8, 1));
    EXPECT_EQ(volume.GetLastError(), storage::kReadFailed);  // timed out on the device
    // Delivered before the next read: the centre merges a waiting event with a new one over the same sector.
    ASSERT_TRUE(counter_.WaitForBadSectors(i + 1));
  }
  backend_->WaitForStalled(stalled);
  EXPECT_FALSE(volume.ReadSector(buffer.data(), 0, 1));
  EXPECT_EQ(volume.GetLastError(), storage::kReadersStalled);
  EXPECT_EQ(counter_.BadSectorsBeforeMarker(), stalled);

  backend_->ReleaseStalled();
  ASSERT_TRUE(WaitForAbandonedRawReads(10s));
  EXPECT_TRUE(volume.ReadSector(buffer.data(), 0, 1));
}

TEST_F(BadSectorEvents, FailedDiskReadPushesNone) {
  test::ScopedRawReadBackend scoped(backend_, 5s);
  CDiskDevice disk((dir_ / "image").c_str());
  ASSERT_TRUE(disk.Open(nullptr));
  std::vector<std::uint8_t> buffer(512);
  EXPECT_FALSE(disk.ReadSector(buffer.data(), 4, 1));
  EXPECT_EQ(ErrorOf(disk.GetLastError()), error::kFailure);
  EXPECT_EQ(counter_.BadSectorsBeforeMarker(), 0);
}

TEST_F(BadSectorEvents, VolumeDestructionUnregistersTheBadSectorReceiver) {
  EventCounter application;
  ASSERT_TRUE(CMessageCenter::Instance().RegisterNotifyCenter(CVolumeDevice::kBadSectorReceiverId, &application));
  delete CreateDiskDevice("/dev/null");
  EXPECT_EQ(CMessageCenter::Instance().GetNotifyCenter(1), &application);
  delete CreateVolumeDevice("/dev/null");
  EXPECT_EQ(CMessageCenter::Instance().GetNotifyCenter(1), nullptr);
  EXPECT_EQ(CMessageCenter::Instance().GetNotifyCenter(7), &counter_);
}

TEST(DiskDevice, KeepsCopiesOfItsVolumes) {
  CDiskDevice disk("/dev/null");
  std::vector<CCollectedVolumeDeviceInfoStruct> volumes(2);
  volumes[1].startSector = 2048;
  volumes[1].fileSystemType = FILE_SYSTEM_HFSPLUS;
  disk.SetVolumes(volumes);
  volumes[1].startSector = 1;
  std::vector<CCollectedVolumeDeviceInfoStruct> out(5);
  EXPECT_EQ(disk.GetVolumes(out), 2);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].startSector, 2048u);
  EXPECT_EQ(out[1].fileSystemType, FILE_SYSTEM_HFSPLUS);
}

TEST(VolumeDevice, KeepsAnApfsDevicePath) {
  CVolumeDevice volume("/dev/null");
  EXPECT_EQ(volume.GetApfsDevicePath(), "");
  std::string path = "disk3s1";
  volume.SetApfsDevicePath(path.data());
  EXPECT_EQ(volume.GetApfsDevicePath(), "disk3s1");
  std::string longPath(5000, 'x');
  volume.SetApfsDevicePath(longPath.data());
  EXPECT_EQ(volume.GetApfsDevicePath().size(), 1023u);
}

}  // namespace
