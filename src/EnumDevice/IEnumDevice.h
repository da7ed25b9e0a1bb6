#pragma once
// Finds the storage a user can scan: whole disks, the partitions of each disk's table, and each
// disk's volumes, where a partition without a volume is listed as a device that can be scanned too.
//
// Who owns what:
// - Every device is held by std::shared_ptr. A partition, volume or partition-without-volume device
//   holds a reference to its disk (through its deleter), so a disk outlives every device reading it.
// - CEnumDeviceEx holds the devices it found from Init to Uninit; the raw pointers its Enum* calls
//   copy out are borrowed and stay valid until Uninit. The device-list model only borrows them.
// - Whatever reads a device beyond a refresh (a scan's controller, a data-recovery object, a
//   thumbnail) takes its own reference with ShareDevice before it starts and drops it when done; a
//   refresh (Uninit, Init) during or after a scan then frees nothing that is still read.

#include <filesystem>
#include <memory>
#include <vector>

#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

using DeviceList = std::vector<std::shared_ptr<IStorageDevice>>;

// Where the machine's devices are described; tests point these at a tree of their own.
struct EnumDeviceOptions {
  std::filesystem::path sysRoot = "/sys";
  std::filesystem::path devRoot = "/dev";
  std::filesystem::path mountInfo = "/proc/self/mountinfo";
  bool allowLoopDevices = false;
};

// Lists devices anew on every call; the caller owns what it receives.
class IEnumDevice {
 public:
  virtual ~IEnumDevice() = default;
  // Whole disks, sorted by kernel name.
  virtual quellsy::ResultCode EnumDiskDevice(DeviceList& out) = 0;
  // One partition device per table entry, or one for the whole disk (index -1) when the table is
  // empty; sorted by partition index. A partition that cannot be opened ends the list with its error.
  virtual quellsy::ResultCode EnumPartitionDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) = 0;
  // The disk's volumes as the system sees them, sorted by partition number; a null disk gives none.
  virtual quellsy::ResultCode EnumVolumeDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) = 0;
};

// The process-wide enumeration. The Enum* calls count (null `out`: `count` = the number of devices)
// or copy (a `count` of 0 copies nothing; a smaller `count` than the number is error 9; else all are
// copied in order and `count` is their number).
class IEnumDeviceEx {
 public:
  virtual ~IEnumDeviceEx() = default;
  // Finds every disk with its partitions and volumes (partitions without a volume included).
  // No disk: module 0x03 error 1, and the enumerator stays uninitialised.
  virtual quellsy::ResultCode Init() = 0;
  // Drops the enumerator's references to every device.
  virtual quellsy::ResultCode Uninit() = 0;
  virtual quellsy::ResultCode EnumDiskDevice(IStorageDevice** out, int& count) = 0;
  virtual quellsy::ResultCode EnumPartitionDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) = 0;
  // The volumes, then the partitions that no volume covers as partition-without-volume devices.
  virtual quellsy::ResultCode EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) = 0;

  // A reference of one's own to a device the enumerator holds now; null for any other.
  virtual std::shared_ptr<IStorageDevice> ShareDevice(const IStorageDevice* device) = 0;
  // Where the next Init looks.
  virtual void SetOptions(const EnumDeviceOptions& options) = 0;
};

// A stateless lister, one for the process.
IEnumDevice* CreateEnumDevice();
// The process-wide enumerator, destroyed at exit.
IEnumDeviceEx* CreateEnumDeviceEx();
