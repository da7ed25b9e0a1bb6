#include "Bridge/KDUIDeviceData.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/StorageDeviceFactory.h"

namespace {

constexpr int kQimRecordLength = 1192;
constexpr int kDmgRecordLength = 2088;

// GPT type GUIDs as they lie on disk (the first three fields little-endian).
constexpr PartitionGuid kEfiSystemType = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                          0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
constexpr PartitionGuid kAppleBootType = {0x74, 0x6F, 0x6F, 0x42, 0x00, 0x00, 0xAA, 0x11,
                                          0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC};

template <class Data>
auto* RecordOf(IStorageDevice* storage) {
  auto* data = storage ? dynamic_cast<Data*>(storage->GetPrivateData()) : nullptr;
  return data ? data->GetRecord() : nullptr;
}

bool IsImage(IStorageDevice* storage) {
  return RecordOf<IQIMDeviceData>(storage) || RecordOf<IDmgDeviceData>(storage);
}

// Count, then copy: the enumerator's two-call listing.
template <class Enumerate>
std::vector<IStorageDevice*> Listed(Enumerate enumerate) {
  int count = 0;
  if (quellsy::IsFailure(enumerate(nullptr, count)) || count <= 0) return {};
  std::vector<IStorageDevice*> devices(static_cast<std::size_t>(count), nullptr);
  if (quellsy::IsFailure(enumerate(devices.data(), count))) return {};
  devices.resize(static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(devices.size()))));
  return devices;
}

std::mutex instanceLock;
IEnumDeviceEx* instanceEnumerator = nullptr;
std::unique_ptr<KDUIDeviceData> instanceObject;

}  // namespace

KDUIDeviceData::KDUIDeviceData(IEnumDeviceEx* enumerator) : enumerator_(enumerator) {}

KDUIDeviceData::~KDUIDeviceData() = default;

KDUIDeviceData* KDUIDeviceData::instance() {
  std::lock_guard lock(instanceLock);
  if (!instanceObject)
    instanceObject = std::make_unique<KDUIDeviceData>(instanceEnumerator ? instanceEnumerator : CreateEnumDeviceEx());
  return instanceObject.get();
}

void KDUIDeviceData::ResetForTests(IEnumDeviceEx* enumerator) {
  std::lock_guard lock(instanceLock);
  instanceObject.reset();
  instanceEnumerator = enumerator;
}

bool KDUIDeviceData::BeginInit() {
  int expected = kNotStarted;
  return state_.compare_exchange_strong(expected, kEnumerating);
}

void KDUIDeviceData::InitDeviceInfo() {
  state_ = kEnumerating;
  initResult_ = enumerator_ ? enumerator_->Init() : quellsy::kResultOk;
  // A machine without a visible disk still lists the opened images and lets its waiters go on.
  GetDiskStorageMap(1);
  GetVolumeStorageMap(1);
  state_ = kDone;
}

void KDUIDeviceData::Clear() {
  if (state_ != kDone) return;
  if (enumerator_) enumerator_->Uninit();
  disks_.clear();
  volumes_.clear();
}

int KDUIDeviceData::RefreshDeviceInfo(const std::function<bool()>& scanRunning) {
  // Whatever a finished scan still reads it holds a reference of its own to; a running one would
  // lose the listing under it.
  if (scanRunning && scanRunning()) return 0;
  Clear();
  InitDeviceInfo();
  return 1;
}

bool KDUIDeviceData::BeginRefresh() {
  int expected = kDone;
  return state_.compare_exchange_strong(expected, kEnumerating);
}

void KDUIDeviceData::Reenumerate() {
  if (enumerator_) enumerator_->Uninit();
  disks_.clear();
  volumes_.clear();
  InitDeviceInfo();
}

void KDUIDeviceData::GetDiskStorageMap(int refresh) {
  if (!refresh && !disks_.empty()) return;
  disks_.clear();
  int index = 0;
  if (enumerator_ && !quellsy::IsFailure(initResult_)) {
    for (auto* disk : Listed([&](IStorageDevice** out, int& count) { return enumerator_->EnumDiskDevice(out, count); }))
      disks_[index++] = disk;
  }
  for (const auto& image : qims_) disks_[index++] = image.get();
  for (const auto& image : dmgs_) disks_[index++] = image.get();
}

void KDUIDeviceData::GetVolumeStorageMap(int refresh) {
  if (!refresh && !volumes_.empty()) return;
  volumes_.clear();
  if (!enumerator_ || quellsy::IsFailure(initResult_)) return;
  for (const auto& entry : disks_) {
    IStorageDevice* disk = entry.second;
    if (IsImage(disk)) continue;
    int count = 0;
    if (quellsy::IsFailure(enumerator_->EnumVolumeDevice(disk, nullptr, count))) continue;
    volumes_[disk] =
        Listed([&](IStorageDevice** out, int& n) { return enumerator_->EnumVolumeDevice(disk, out, n); });
  }
}

int KDUIDeviceData::GetAllDeviceInfo(std::vector<_DiskVolumeData>& list) {
  // While a refresh runs on another thread the maps are being rebuilt.
  if (state_ != kDone || disks_.empty()) return 0;
  for (const auto& [index, disk] : disks_) {
    _DiskVolumeData record;
    if (!GetDiskDataByStorage(disk, record)) continue;
    GetDiskVolumeInfo(disk, record.volumes);
    list.push_back(std::move(record));
  }
  return 1;
}

bool KDUIDeviceData::FillImageRecord(IStorageDevice* storage, _DiskVolumeData& record) {
  if (const auto* qim = RecordOf<IQIMDeviceData>(storage)) {
    record.name = qim->deviceName;
    record.devName = qim->imagePath;
    record.capacity = static_cast<std::int64_t>(qim->sectorSize * qim->sectorCount);
    record.isQim = 1;
    record.qimInfo = qim;
    record.qimInfoLen = kQimRecordLength;
    return true;
  }
  if (const auto* dmg = RecordOf<IDmgDeviceData>(storage)) {
    record.name = dmg->name;
    record.devName = dmg->imagePath;
    record.capacity = static_cast<std::int64_t>(std::min(dmg->sectorSize * dmg->sectorCount, dmg->fileSize));
    record.isAppleDmg = 1;
    record.dmgInfo = dmg;
    record.dmgInfoLen = kDmgRecordLength;
    return true;
  }
  return false;
}

int KDUIDeviceData::GetDiskDataByStorage(IStorageDevice* storage, _DiskVolumeData& record) {
  if (FillImageRecord(storage, record)) {
    record.diskIndex = GetDiskIndexByStorage(storage);
    return 1;
  }
  const auto* disk = RecordOf<IDiskDeviceData>(storage);
  if (!disk || disk->diskKind != 0) return 0;
  record.name = disk->name;
  record.devName = disk->bsdName;
  record.capacity = static_cast<std::int64_t>(disk->sectorSize * disk->totalSectors);
  record.isDmg = disk->busType == DISK_BUS_VIRTUAL;
  record.isUSB = disk->busType == DISK_BUS_USB;
  record.isSSD = std::strstr(disk->name, "SSD") != nullptr;
  record.beCanOpen = storage->IsPermitted() ? 1 : 0;
  record.diskIndex = GetDiskIndexByStorage(storage);
  return 1;
}

int KDUIDeviceData::GetDataByStorage(IStorageDevice* storage, _DiskVolumeData& record) {
  return IsDiskStorage(storage) ? GetDiskDataByStorage(storage, record) : GetVolumeDataByStorage(storage, record);
}

int KDUIDeviceData::GetVolumeDataByStorage(IStorageDevice* storage, _DiskVolumeData& record) {
  IStorageDevice* disk = GetDiskStorageByVolumeStorage(storage);
  if (FillImageRecord(storage, record)) {
    record.diskIndex = GetDiskIndexByStorage(disk);
    return 1;
  }
  const auto* volume = RecordOf<IVolumeDeviceData>(storage);
  if (!volume || volume->diskKind != 0 || !IsSupportVolume(*volume)) return 0;
  // A partition the system has no volume for (a loop device whose partitions the kernel does not list) is named
  // by the label its file system's analyser read.
  record.name = volume->volumeName[0] != '\0' ? volume->volumeName : volume->label;
  record.devName = volume->bsdName;
  record.capacity = static_cast<std::int64_t>(volume->sectorSize * volume->totalSectors);
  record.fileSystem = volume->fileSystemType;
  record.diskIndex = GetDiskIndexByStorage(disk);
  record.volumeIndex = GetVolumeIndexByStorage(disk, storage);
  return 1;
}

void KDUIDeviceData::GetDiskVolumeInfo(IStorageDevice* disk, std::vector<_DiskVolumeData>& list) {
  const auto found = volumes_.find(disk);
  if (found == volumes_.end()) return;
  for (auto* volume : found->second) {
    _DiskVolumeData record;
    if (GetVolumeDataByStorage(volume, record)) list.push_back(std::move(record));
  }
}

IStorageDevice* KDUIDeviceData::GetStorageByDiskVolumeIndex(int disk, int volume) {
  // An entry of a list that is being rebuilt names no device yet.
  if (disk < 0 || state_ != kDone) return nullptr;
  IStorageDevice* storage = GetDiskStorageByIndex(disk);
  return volume == -1 ? storage : GetVolumeStorageByIndex(storage, volume);
}

IStorageDevice* KDUIDeviceData::GetDiskStorageByIndex(int index) {
  const auto found = disks_.find(index);
  return found == disks_.end() ? nullptr : found->second;
}

IStorageDevice* KDUIDeviceData::GetVolumeStorageByIndex(IStorageDevice* disk, int index) {
  const auto found = volumes_.find(disk);
  if (found == volumes_.end() || index < 0 || static_cast<std::size_t>(index) >= found->second.size()) return nullptr;
  return found->second[static_cast<std::size_t>(index)];
}

int KDUIDeviceData::GetDiskIndexByStorage(IStorageDevice* storage) {
  for (const auto& [index, disk] : disks_)
    if (storage && disk == storage) return index;
  return -1;
}

int KDUIDeviceData::GetVolumeIndexByStorage(IStorageDevice* disk, IStorageDevice* volume) {
  const auto found = volumes_.find(disk);
  if (found == volumes_.end()) return -1;
  const auto at = std::find(found->second.begin(), found->second.end(), volume);
  return at == found->second.end() ? -1 : static_cast<int>(at - found->second.begin());
}

int KDUIDeviceData::GetDiskVolumeIndexByStorage(IStorageDevice* storage, int& disk, int& volume) {
  if (const int index = GetDiskIndexByStorage(storage); index >= 0) {
    disk = index;
    volume = -1;
    return 1;
  }
  for (const auto& [owner, list] : volumes_) {
    const int position = GetVolumeIndexByStorage(owner, storage);
    if (position < 0) continue;
    disk = GetDiskIndexByStorage(owner);
    volume = position;
    return 1;
  }
  return 0;
}

IStorageDevice* KDUIDeviceData::GetDiskStorageByVolumeStorage(IStorageDevice* storage) {
  if (IsImage(storage)) return storage;
  for (const auto& [owner, list] : volumes_)
    if (std::find(list.begin(), list.end(), storage) != list.end()) return owner;
  return nullptr;
}

int KDUIDeviceData::IsDiskStorage(IStorageDevice* storage) {
  if (!storage || storage->GetType() == STORAGE_DEVICE_QIM || storage->GetType() == STORAGE_DEVICE_DMG) return 0;
  return volumes_.count(storage) ? 1 : 0;
}

bool KDUIDeviceData::GetDiskVolumeStorage(IStorageDevice* disk, std::vector<IStorageDevice*>& list) {
  const auto found = volumes_.find(disk);
  if (found == volumes_.end()) return false;
  list = found->second;
  return true;
}

CCollectedVolumeDeviceInfoStruct* KDUIDeviceData::GetVolumeInfo(IStorageDevice* storage) {
  if (!storage || IsDiskStorage(storage)) return nullptr;
  return RecordOf<IVolumeDeviceData>(storage);
}

int KDUIDeviceData::IsVolumeStorageSupported(IStorageDevice* storage) {
  const auto* volume = GetVolumeInfo(storage);
  return volume ? IsSupportVolume(*volume) : 0;
}

int KDUIDeviceData::IsSupportVolume(const CCollectedVolumeDeviceInfoStruct& volume) {
  const auto* disk = RecordOf<IDiskDeviceData>(volume.parentDisk);
  if (!volume.parentDisk || !disk) return 1;
  switch (disk->partitionScheme) {
    case 2:
      return volume.partitionTypeGuid != kEfiSystemType && volume.partitionTypeGuid != kAppleBootType;
    case 3: {
      const std::string type(volume.apmPartitionType, strnlen(volume.apmPartitionType, sizeof volume.apmPartitionType));
      return type != "Apple_partition_map" && type != "Apple_Free";
    }
    default:
      return 1;
  }
}

int KDUIDeviceData::AddImage(std::vector<std::unique_ptr<IStorageDevice>>& images, IStorageDevice* created,
                             bool duplicate) {
  std::unique_ptr<IStorageDevice> storage(created);
  if (!storage) return 0;
  if (duplicate) return 1;
  images.push_back(std::move(storage));
  GetDiskStorageMap(1);
  GetVolumeStorageMap(1);
  return 1;
}

int KDUIDeviceData::KDOpenQimFileImp(const char* path) {
  if (!path) return 0;
  IStorageDevice* created = CreateQimDevice(path);
  return AddImage(qims_, created, created && KDCheckQimFileExist(created));
}

int KDUIDeviceData::KDOpenDmgFileImp(const char* path, const CDMGDeviceInfoStruct& info) {
  if (!path) return 0;
  IStorageDevice* created = CreateDmgDevice(path, &info);
  return AddImage(dmgs_, created, created && KDCheckDmgFileExist(created));
}

int KDUIDeviceData::KDCheckQimFileExist(IStorageDevice* storage) {
  const auto* mine = RecordOf<IQIMDeviceData>(storage);
  if (!mine) return 0;
  for (const auto& [index, listed] : disks_) {
    const auto* other = RecordOf<IQIMDeviceData>(listed);
    if (other && quellsy::SameQimImage(*other, *mine)) return 1;
  }
  return 0;
}

int KDUIDeviceData::KDCheckDmgFileExist(IStorageDevice* storage) {
  const auto* mine = RecordOf<IDmgDeviceData>(storage);
  if (!mine) return 0;
  for (const auto& [index, listed] : disks_) {
    const auto* other = RecordOf<IDmgDeviceData>(listed);
    if (other && std::strncmp(other->imagePath, mine->imagePath, sizeof mine->imagePath) == 0) return 1;
  }
  return 0;
}

IStorageDevice* KDUIDeviceData::GetStorageByQimInfo(const void* record, int length, const char* name) {
  return CreateQimDeviceByQimInfo(record, length, name);
}

IStorageDevice* KDUIDeviceData::GetStorageByDmgInfo(const void* record, int length, const char* name) {
  return CreateDmgDeviceByDmgInfo(record, length, name);
}
