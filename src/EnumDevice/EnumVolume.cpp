#include "EnumDevice/EnumVolume.h"

#include <algorithm>
#include <list>
#include <vector>

#include "EnumDevice/DevListSortAlgorithm.h"
#include "EnumDevice/DeviceOwnership.h"
#include "EnumDevice/EnumDeviceErrors.h"
#include "EnumDevice/FileSystemIdentity.h"
#include "EnumDevice/PartitionEntries.h"
#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"
#include "Platform/BlkidProbe.h"
#include "Platform/MountInfo.h"
#include "Platform/SysfsDisks.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DiskDevice.h"
#include "StorageDevice/FixedText.h"
#include "StorageDevice/StorageDeviceFactory.h"

using namespace quellsy;

namespace {

// A volume as the kernel lists it: a partition of the disk, or the disk itself (number -1).
struct Medium {
  std::string name;
  int number = -1;
  std::uint64_t startBytes = 0;
  std::uint64_t sizeBytes = 0;
  std::optional<std::uint64_t> deviceNumber;
};

std::vector<Medium> MediaOf(const EnumDeviceOptions& options, const CCollectDiskDeviceInfoStruct& disk) {
  const std::string name(disk.bsdName, strnlen(disk.bsdName, sizeof disk.bsdName));
  std::vector<Medium> media;
  if (disk.partitionScheme == DISK_PARTITION_SCHEME_NONE) {
    media.push_back({name, -1, 0, disk.totalSectors * disk.sectorSize, disk.deviceId});
    return media;
  }
  for (const auto& partition : platform::ListPartitions(options.sysRoot, name))
    media.push_back({partition.name, partition.number, partition.startBytes, partition.sizeBytes, partition.deviceNumber});
  return media;
}

const PartitionEntry* EntryWithIndex(const std::list<PartitionEntry>& entries, int index) {
  const auto found = std::find_if(entries.begin(), entries.end(), [index](const auto& e) { return e.index == index; });
  return found == entries.end() ? nullptr : &*found;
}

std::string VolumeName(const std::string& path, const std::optional<std::string>& mountPoint, const std::string& kernelName) {
  if (auto label = platform::ProbeFilesystemLabel(path)) return *label;
  if (mountPoint) {
    const std::string last = std::filesystem::path(*mountPoint).filename().string();
    return last.empty() ? *mountPoint : last;
  }
  return kernelName;
}

}  // namespace

ResultCode CEnumVolume::ExecEnum(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) const {
  out.clear();
  auto* diskHolder = disk ? dynamic_cast<IDiskDeviceData*>(disk->GetPrivateData()) : nullptr;
  const CCollectDiskDeviceInfoStruct* diskRecord = diskHolder ? diskHolder->GetDiskInfo() : nullptr;
  if (!diskRecord || diskRecord->sectorSize == 0) return enum_device::kNoDiskRecord;

  const std::list<PartitionEntry> entries = PartitionEntriesOf(disk.get());
  // Type GUIDs of every GPT entry, also of those too small to be listed as partitions.
  std::list<PartitionEntry> gptEntries;
  if (diskRecord->partitionScheme == DISK_PARTITION_SCHEME_GPT) CBaseGPTAnalyzer::ReadEntryArray(disk.get(), gptEntries);
  const std::set<int> extended =
      diskRecord->partitionScheme == DISK_PARTITION_SCHEME_MBR ? ExtendedSlotsOf(disk.get()) : std::set<int>{};
  const auto mounts = platform::ReadMountInfo(options_.mountInfo);

  for (const Medium& medium : MediaOf(options_, *diskRecord)) {
    if (!medium.deviceNumber || extended.count(medium.number)) continue;
    const std::string path = (options_.devRoot / medium.name).string();
    auto volume = AdoptDevice(CreateVolumeDevice(path.c_str()), disk);
    if (!volume || (!volume->Open(nullptr) && volume->IsPermitted())) continue;

    auto record = std::make_unique<CCollectedVolumeDeviceInfoStruct>();
    record->diskKind = 0;
    record->sectorSize = diskRecord->sectorSize;
    record->totalSectors = medium.sizeBytes / diskRecord->sectorSize;
    record->startSector = medium.startBytes / diskRecord->sectorSize;
    record->deviceId = *medium.deviceNumber;
    record->partitionNumber = medium.number;
    record->parentDisk = disk.get();
    StoreText(record->bsdName, medium.name);
    if (const PartitionEntry* gpt = EntryWithIndex(gptEntries, medium.number)) {
      record->partitionTypeGuid = gpt->typeGuid;
      record->partitionGuid = gpt->uniqueGuid;
    }
    if (diskRecord->partitionScheme == DISK_PARTITION_SCHEME_APM)
      if (const PartitionEntry* apm = EntryWithIndex(entries, medium.number))
        std::copy(std::begin(apm->apmType), std::end(apm->apmType), std::begin(record->apmPartitionType));

    const auto mountPoint = platform::FindMountPoint(mounts, *medium.deviceNumber);
    record->mounted = mountPoint ? 1 : 0;
    record->fileSystemType = IdentifyFileSystem(volume.get(), record->label);
    std::string name = VolumeName(path, mountPoint, medium.name);
    if (record->fileSystemType == FILE_SYSTEM_APFS) {
      // No system tool names APFS volumes here: the volume's own label does, and the mount point
      // stands for the device path.
      if (record->label[0] != '\0') name = record->label;
      if (mountPoint) {
        std::string devicePath = *mountPoint;
        volume->SetApfsDevicePath(devicePath.data());
      }
    }
    StoreText(record->volumeName, name);
    AttachRecord(*volume, std::move(record), CreateVolumeDeviceData);
    out.push_back(std::move(volume));
  }
  CDevListSortAlgorithm::Sort(out);

  // Volumes whose start is not known take the start of the table entry with their number.
  std::vector<CCollectedVolumeDeviceInfoStruct*> records;
  for (const auto& volume : out)
    if (auto* holder = dynamic_cast<IVolumeDeviceData*>(volume->GetPrivateData()); holder && holder->GetVolumeInfo())
      records.push_back(holder->GetVolumeInfo());
  for (const PartitionEntry& entry : entries) {
    const auto unplaced = std::find_if(records.begin(), records.end(), [&entry](const auto* record) {
      return record->startSector == 0 && record->partitionNumber == entry.index;
    });
    if (unplaced != records.end()) (*unplaced)->startSector = entry.startSector;
  }
  std::vector<CCollectedVolumeDeviceInfoStruct> copies;
  for (const auto* record : records) copies.push_back(*record);
  if (auto* diskDevice = dynamic_cast<CDiskDevice*>(disk.get())) diskDevice->SetVolumes(copies);
  return kResultOk;
}
