#include "FakeEnumDeviceEx.h"

#include <algorithm>
#include <cstring>

#include "EnumDevice/EnumDeviceErrors.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

// A device that owns its record, and (for a volume) keeps its disk alive, as the real devices do.
class RecordDevice final : public MemoryDevice {
 public:
  RecordDevice(long long sectors, const std::vector<std::uint8_t>& bytes, int type,
               std::unique_ptr<IStorageDeviceData> data, std::shared_ptr<IStorageDevice> parent = nullptr,
               bool locked = false)
      : MemoryDevice(bytes.empty() ? std::vector<std::uint8_t>(static_cast<std::size_t>(sectors) * 512) : bytes, 512,
                     type),
        data_(std::move(data)),
        parent_(std::move(parent)),
        locked_(locked) {
    SetPrivateData(data_.get());
  }
  bool Open(char*) override { return !locked_; }
  bool IsPermitted() override { return !locked_; }

 private:
  std::unique_ptr<IStorageDeviceData> data_;
  std::shared_ptr<IStorageDevice> parent_;
  bool locked_;
};

template <std::size_t N>
void CopyText(char (&out)[N], const std::string& text) {
  std::strncpy(out, text.c_str(), N - 1);
}

template <class Device>
ResultCode CopyOut(const std::vector<std::shared_ptr<Device>>& devices, IStorageDevice** out, int& count) {
  const int have = static_cast<int>(devices.size());
  if (!out) {
    count = have;
    return kResultOk;
  }
  if (count < have) return enum_device::kArrayTooSmall;
  for (int i = 0; i < have; ++i) out[i] = devices[static_cast<std::size_t>(i)].get();
  count = have;
  return kResultOk;
}

}  // namespace

struct FakeEnumDeviceEx::Made {
  std::shared_ptr<IStorageDevice> disk;
  std::vector<std::shared_ptr<IStorageDevice>> volumes;
};

FakeEnumDeviceEx::FakeEnumDeviceEx(std::vector<FakeDisk> disks) : fakeDisks_(std::move(disks)) {}

FakeEnumDeviceEx::~FakeEnumDeviceEx() = default;

ResultCode FakeEnumDeviceEx::Init() {
  ++initCalls_;
  made_.clear();
  if (fakeDisks_.empty()) return enum_device::kNoDisk;
  for (const auto& fakeDisk : fakeDisks_) {
    auto made = std::make_unique<Made>();
    auto* diskRecord = new CCollectDiskDeviceInfoStruct;
    diskRecord->busType = fakeDisk.bus;
    diskRecord->partitionScheme = fakeDisk.scheme;
    CopyText(diskRecord->name, fakeDisk.model);
    CopyText(diskRecord->bsdName, fakeDisk.bsdName);
    diskRecord->sectorSize = 512;
    diskRecord->totalSectors = static_cast<std::uint64_t>(fakeDisk.sectors);
    made->disk = std::make_shared<RecordDevice>(fakeDisk.sectors, fakeDisk.bytes, STORAGE_DEVICE_DISK,
                                                std::make_unique<CDiskDeviceData>(diskRecord));
    for (std::size_t i = 0; i < fakeDisk.volumes.size(); ++i) {
      const auto& v = fakeDisk.volumes[i];
      auto* record = new CCollectedVolumeDeviceInfoStruct;
      record->fileSystemType = v.fileSystem;
      CopyText(record->volumeName, v.name);
      CopyText(record->bsdName, fakeDisk.bsdName + std::to_string(i + 1));
      CopyText(record->apmPartitionType, v.apmType);
      record->partitionTypeGuid = v.typeGuid;
      record->sectorSize = 512;
      record->totalSectors = static_cast<std::uint64_t>(v.sectors);
      record->parentDisk = made->disk.get();
      record->partitionNumber = static_cast<std::int32_t>(i + 1);
      made->volumes.push_back(std::make_shared<RecordDevice>(v.sectors, v.bytes, STORAGE_DEVICE_VOLUME,
                                                             std::make_unique<CVolumeDeviceData>(record),
                                                             made->disk, v.locked));
    }
    made_.push_back(std::move(made));
  }
  return kResultOk;
}

ResultCode FakeEnumDeviceEx::Uninit() {
  made_.clear();
  return kResultOk;
}

ResultCode FakeEnumDeviceEx::EnumDiskDevice(IStorageDevice** out, int& count) {
  if (made_.empty()) return enum_device::kDisksNotInitialised;
  std::vector<std::shared_ptr<IStorageDevice>> disks;
  for (const auto& made : made_) disks.push_back(made->disk);
  return CopyOut(disks, out, count);
}

ResultCode FakeEnumDeviceEx::EnumPartitionDevice(const IStorageDevice*, IStorageDevice**, int& count) {
  count = 0;
  return kResultOk;
}

ResultCode FakeEnumDeviceEx::EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) {
  for (const auto& made : made_)
    if (made->disk.get() == disk) return CopyOut(made->volumes, out, count);
  return enum_device::kVolumesUnknownDisk;
}

std::shared_ptr<IStorageDevice> FakeEnumDeviceEx::ShareDevice(const IStorageDevice* device) {
  for (const auto& made : made_) {
    if (made->disk.get() == device) return made->disk;
    for (const auto& volume : made->volumes)
      if (volume.get() == device) return volume;
  }
  return nullptr;
}

}  // namespace quellsy::test
