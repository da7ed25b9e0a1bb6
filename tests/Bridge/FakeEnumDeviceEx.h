#pragma once
// An enumerator over made-up disks and volumes: each Init makes fresh devices and Uninit drops them,
// as the real one does, so a test sees whether anything still uses a device after a refresh.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EnumDevice/IEnumDevice.h"
#include "include/IStorageDeviceData.h"

namespace quellsy::test {

struct FakeVolume {
  std::string name;
  enumFILE_SYSTEM_TYPE fileSystem = FILE_SYSTEM_UNKNOWN;
  PartitionGuid typeGuid = {};
  std::string apmType;
  long long sectors = 64;
  std::vector<std::uint8_t> bytes{};  // the volume's contents; empty: sectors of zeros
  bool locked = false;                // opening it is refused for lack of permission, now and later
};

struct FakeDisk {
  std::string model;
  std::string bsdName;
  std::uint32_t scheme = 1;  // 0 none, 1 MBR, 2 GPT, 3 Apple partition map
  std::uint32_t bus = DISK_BUS_SATA;
  long long sectors = 256;
  std::vector<FakeVolume> volumes;
  std::vector<std::uint8_t> bytes{};  // the disk's contents; empty: sectors of zeros
};

class FakeEnumDeviceEx final : public IEnumDeviceEx {
 public:
  explicit FakeEnumDeviceEx(std::vector<FakeDisk> disks);
  ~FakeEnumDeviceEx() override;

  // Fails as the real one does when there is no disk.
  quellsy::ResultCode Init() override;
  quellsy::ResultCode Uninit() override;
  quellsy::ResultCode EnumDiskDevice(IStorageDevice** out, int& count) override;
  quellsy::ResultCode EnumPartitionDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override;
  quellsy::ResultCode EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override;
  std::shared_ptr<IStorageDevice> ShareDevice(const IStorageDevice* device) override;
  void SetOptions(const EnumDeviceOptions&) override {}

  int InitCalls() const { return initCalls_; }

 private:
  struct Made;
  std::vector<FakeDisk> fakeDisks_;
  std::vector<std::unique_ptr<Made>> made_;
  int initCalls_ = 0;
};

}  // namespace quellsy::test
