#include "EnumDevice/EnumDisk.h"

#include <filesystem>
#include <memory>

#include "EnumDevice/DevListSortAlgorithm.h"
#include "EnumDevice/DeviceOwnership.h"
#include "PartitionTableAnalyze/PartitionEntry.h"
#include "Platform/BlkidProbe.h"
#include "Platform/SysfsDisks.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/FixedText.h"
#include "StorageDevice/StorageDeviceFactory.h"

using namespace quellsy;

namespace {

std::uint32_t BusType(platform::DiskBus bus) {
  switch (bus) {
    case platform::DiskBus::kAta: return DISK_BUS_ATA;
    case platform::DiskBus::kScsi: return DISK_BUS_SCSI;
    case platform::DiskBus::kUsb: return DISK_BUS_USB;
    // A loop device is an attached image file, as a mounted disk image is elsewhere.
    case platform::DiskBus::kLoop: return DISK_BUS_VIRTUAL;
    case platform::DiskBus::kNvme:
    case platform::DiskBus::kVirtio:
    case platform::DiskBus::kOther: break;
  }
  return DISK_BUS_OTHER;
}

// The scheme the system sees, as libblkid names it.
std::uint32_t PartitionScheme(const std::string& path) {
  const auto type = platform::ProbePartitionTableType(path);
  if (type == "gpt") return DISK_PARTITION_SCHEME_GPT;
  if (type == "dos") return DISK_PARTITION_SCHEME_MBR;
  if (type == "mac") return DISK_PARTITION_SCHEME_APM;
  return DISK_PARTITION_SCHEME_NONE;
}

std::string DisplayName(const platform::SysfsDisk& disk) {
  // An attached image file is known by its file's name.
  if (!disk.backingFile.empty()) return std::filesystem::path(disk.backingFile).filename().string();
  if (disk.vendor.empty()) return disk.model;
  if (disk.model.empty()) return disk.vendor;
  return disk.vendor + " " + disk.model;
}

}  // namespace

DeviceList CEnumDisk::ExecEnum() const {
  DeviceList disks;
  for (const auto& found : platform::ListWholeDisks(options_.sysRoot, options_.allowLoopDevices)) {
    if (!found.deviceNumber || found.sizeBytes < kMinDiskBytes) continue;
    const std::string path = (options_.devRoot / found.name).string();
    auto disk = AdoptDevice(CreateDiskDevice(path.c_str()));
    if (!disk || (!disk->Open(nullptr) && disk->IsPermitted())) continue;

    auto record = std::make_unique<CCollectDiskDeviceInfoStruct>();
    record->diskKind = 0;
    record->busType = BusType(found.bus);
    record->partitionScheme = disk->IsPermitted() ? PartitionScheme(path) : DISK_PARTITION_SCHEME_NONE;
    record->writable = found.readOnly ? 0 : 1;
    StoreText(record->name, DisplayName(found));
    StoreText(record->bsdName, found.name);
    record->sectorSize = found.logicalBlockSize != 0 ? found.logicalBlockSize : 512;
    record->totalSectors = found.sizeBytes / record->sectorSize;
    record->cylinders = record->totalSectors / (255 * 63);
    record->deviceId = *found.deviceNumber;
    AttachRecord(*disk, std::move(record), CreateDiskDeviceData);
    disks.push_back(std::move(disk));
  }
  CDevListSortAlgorithm::Sort(disks);
  return disks;
}
