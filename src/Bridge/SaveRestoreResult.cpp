#include "Bridge/SaveRestoreResult.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>

#include "Bridge/DiskVolumeData.h"
#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "DataRecovery/DataRecovery.h"
#include "FileArchive/CRSData.h"
#include "FileArchive/RestoredVolumes.h"
#include "FileArchive/ScanResultFile.h"
#include "FileArchive/ScanResultProgress.h"
#include "FileArchive/ScanResultRestoreSink.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

namespace SaveRestoreResult {
namespace {

// The image a restore reopened: the restored nodes read through it until the next restore.
std::mutex imageLock;
std::unique_ptr<IStorageDevice> restoredImage;

void Log(const char* where, int step) { std::printf("%s %d\r\n", where, step); }

KDUIScan& ScanOf(const OperationPara& para) { return para.scan != nullptr ? *para.scan : *KDUIScan::instance(); }

KDUIRecovery& RecoveryOf(const OperationPara& para) {
  return para.recovery != nullptr ? *para.recovery : *KDUIRecovery::instance();
}

std::optional<std::vector<std::uint8_t>> ImageRecord(std::int32_t flag, const void* record, std::int32_t length) {
  if (flag == 0 || record == nullptr || length <= 0) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(record);
  return std::vector<std::uint8_t>(bytes, bytes + length);
}

SavedDevice DescribeDevice(IStorageDevice* storage) {
  KDUIDeviceData* devices = KDUIDeviceData::instance();
  _DiskVolumeData record;
  devices->GetDataByStorage(storage, record);
  SavedDevice saved;
  saved.capacity = record.capacity;
  saved.diskIndex = record.diskIndex;
  saved.volumeIndex = record.volumeIndex;
  saved.fileSystem = record.fileSystem;
  saved.name = record.name != nullptr ? record.name : "";
  saved.isAppleDmg = record.isAppleDmg;
  saved.dmgRecord = ImageRecord(record.isAppleDmg, record.dmgInfo, record.dmgInfoLen);
  saved.isQim = record.isQim;
  saved.qimRecord = ImageRecord(record.isQim, record.qimInfo, record.qimInfoLen);
  return saved;
}

// The partition records that let a root's files be copied out: its quick scan's object, or the object of its
// searcher after a complete scan.
std::vector<CSearchedPartitionInfo*> PartitionsOf(IFileNode* root, KDUIScan& scan, KDUIRecovery& recovery,
                                                  int controllerType) {
  IDataRecovery* object = nullptr;
  if (controllerType != RECOVERY_CONTROLLER_QUICK) {
    if (recovery.CheckWhetherNeedReset()) recovery.InitDataRecoveryController();
    object = recovery.GetDataRecoveryByType(KDCPPPublic::instance()->GetNodeSearcheType(root));
  } else {
    object = scan.GetFileNodeDataRecover(root);
  }
  auto* common = dynamic_cast<CDataRecovery*>(object);
  if (common == nullptr) return {};
  for (const CSearchedPartitionInfo* partition : common->GetSearchedPartition())
    std::printf("%s:%d partition index:%d fileSystemType%d start:%lld end:%lld\n", "SaveScanResult", 512,
                partition->GetPartitionIndex(), static_cast<int>(partition->GetFileSystemType()),
                partition->GetClusterOrigin(), static_cast<long long>(partition->GetTotalSectors()));
  return common->GetSearchedPartition();
}

RestoreTarget TargetOf(IStorageDevice* device) {
  KDUIDeviceData* devices = KDUIDeviceData::instance();
  _DiskVolumeData record;
  devices->GetVolumeDataByStorage(device, record);
  RestoreTarget target;
  target.volumeName = record.name != nullptr ? record.name : "";
  target.wholeDisk = devices->IsDiskStorage(device) != 0;
  target.appleDmg = record.isAppleDmg != 0;
  return target;
}

bool SameEntry(const _DiskVolumeData& entry, const SavedDevice& saved) {
  return entry.name != nullptr && saved.name == entry.name && entry.fileSystem == saved.fileSystem &&
         entry.capacity == saved.capacity;
}

// Writes the three frames; throws CRSException on any failure.
void WriteScan(CRSData& archive, ScanResultProgress& progress, const OperationPara& para) {
  progress.Step();
  FILEHEADER header;
  header.status = FILE_STATUS_SAVED;
  if (!archive.WriteFileHeader(header)) throw CRSException(CRSException::kWriteFailed);
  progress.Step();

  KDUIScan& scan = ScanOf(para);
  IStorageDevice* storage = scan.GetSavedStorage();
  SavedController controller;
  controller.controllerType = static_cast<std::uint32_t>(scan.GetScanControllerType(storage));
  controller.deep = static_cast<std::uint32_t>(scan.IsDeepScan());
  WriteControllerList(archive, controller);
  progress.Step();
  WriteDiskDevice(archive, DescribeDevice(storage));
  progress.Step();

  std::vector<RootToSave> roots;
  for (IFileNode* root : scan.GetFileSystemNode())
    roots.push_back({root, PartitionsOf(root, scan, RecoveryOf(para), static_cast<int>(controller.controllerType))});
  IProgress* sink = para.progress;
  WriteRoots(archive, roots, progress, [sink] { return sink->Continued() != 0; });
}

}  // namespace

std::uint32_t SaveScanResult(const OperationPara& para) {
  ScanResultProgress progress(para.progress);
  progress.Start();
  Log("Static_SaveScanResult", 388);
  std::unique_ptr<CRSData> archive(new (std::nothrow) CRSData(RS_MODE_WRITE));
  if (!archive) {
    Log("Static_SaveScanResult", 395);
    progress.TipError(kNoArchive);
  } else if (progress.Step(), !archive->StartRS(para.path.c_str(), 1)) {
    Log("Static_SaveScanResult", 404);
    progress.TipError(kNotOpened);
  } else {
    bool written = false;
    try {
      WriteScan(*archive, progress, para);
      archive->CloseFrame();
      written = true;
    } catch (const CRSException&) {
    } catch (const std::bad_alloc&) {
    }
    archive->EndRS();
    if (!written) {
      // Never leave a file behind that a later restore would take for a saved scan.
      std::error_code ignored;
      std::filesystem::remove(para.path, ignored);
      progress.TipError(kWriteFailed);
    }
  }
  Log("Static_SaveScanResult", 560);
  progress.Finish();
  return progress.ErrorCode();
}

IStorageDevice* GetFromDiskVolumeData(const SavedDevice& saved, const char* qimPath, const char* filePath) {
  KDUIDeviceData* devices = KDUIDeviceData::instance();
  IStorageDevice* image = nullptr;
  if (saved.isQim != 0 && saved.qimRecord)
    image = devices->GetStorageByQimInfo(saved.qimRecord->data(), static_cast<int>(saved.qimRecord->size()), qimPath);
  else if (saved.isAppleDmg != 0 && saved.dmgRecord)
    image = devices->GetStorageByDmgInfo(saved.dmgRecord->data(), static_cast<int>(saved.dmgRecord->size()),
                                         filePath);
  if (image != nullptr) {
    const std::lock_guard<std::mutex> hold(imageLock);
    restoredImage.reset(image);
    return image;
  }
  if (saved.isQim != 0 || saved.isAppleDmg != 0) return nullptr;

  if (devices->GetInitState() != 2) devices->InitDeviceInfo();
  if (IStorageDevice* storage = devices->GetStorageByDiskVolumeIndex(saved.diskIndex, saved.volumeIndex)) {
    _DiskVolumeData fresh;
    devices->GetDataByStorage(storage, fresh);
    if (fresh.capacity == saved.capacity) return storage;
  }
  std::vector<_DiskVolumeData> entries;
  devices->GetAllDeviceInfo(entries);
  for (const _DiskVolumeData& disk : entries) {
    if (SameEntry(disk, saved)) return devices->GetStorageByDiskVolumeIndex(disk.diskIndex, disk.volumeIndex);
    for (const _DiskVolumeData& volume : disk.volumes)
      if (SameEntry(volume, saved)) return devices->GetStorageByDiskVolumeIndex(volume.diskIndex, volume.volumeIndex);
  }
  return nullptr;
}

std::uint32_t RestoreScanResult(const OperationPara& para) {
  KDUIScan& scan = ScanOf(para);
  scan.ClearData();
  ClearRestoredVolumes();
  // The image of the previous restore stays open until the scan below has let go of its nodes.
  std::unique_ptr<IStorageDevice> previousImage;
  {
    const std::lock_guard<std::mutex> hold(imageLock);
    previousImage = std::move(restoredImage);
  }
  ScanResultProgress progress(para.progress);
  progress.Start();
  Log("Static_RestoreScanResult", 666);
  CRSData archive(RS_MODE_READ);
  progress.Step();
  if (!archive.StartRS(para.path.c_str(), 0)) {
    Log("Static_RestoreScanResult", 682);
    progress.TipError(kNotOpened);
    progress.Finish();
    return progress.ErrorCode();
  }
  std::uint32_t stage = kBadHeader;
  try {
    progress.Step();
    FILEHEADER header;
    if (!archive.ReadFileHeader(header) || archive.GetStatus() == FILE_STATUS_NONE) throw CRSException(0);
    stage = kNoControllerList;
    progress.Step();
    const std::optional<SavedController> controller = ReadControllerList(archive);
    if (!controller) throw CRSException(0);
    progress.Step();
    stage = kNoDiskDevice;
    const SavedDevice saved = ReadDiskDevice(archive);
    scan.SetDmgRsf(saved.isAppleDmg != 0 && saved.dmgRecord ? 1 : 0);
    scan.SetQimRsf(saved.isQim != 0 && saved.qimRecord ? 1 : 0);
    progress.Step();
    stage = kDamaged;
    IStorageDevice* storage = GetFromDiskVolumeData(saved, para.qimPath.c_str(), para.path.c_str());
    if (storage == nullptr) {
      Log("Static_RestoreScanResult", 787);
      progress.TipError(saved.isQim != 0 ? kQimMissing : kDeviceMissing);
    } else {
      progress.Step();
      // The device found is the one the saved scan was of: when it is a volume, the saved roots are all its.
      ScanResultRestoreSink sink(archive, [storage](IStorageDevice* device) {
        RestoreTarget target = TargetOf(device);
        target.scannedVolume = device == storage && !target.wholeDisk;
        return target;
      });
      scan.SetDeepScan(static_cast<int>(controller->deep));
      scan.DoScan(storage, &sink);
      scan.SetOpTreeFinished(1);
      if (sink.LastError() != 0) progress.TipError(kDamaged);
    }
  } catch (const CRSException&) {
    Log("Static_RestoreScanResult", 692);
    progress.TipError(stage);
  } catch (const std::bad_alloc&) {
    progress.TipError(stage);
  }
  archive.EndRS();
  Log("Static_RestoreScanResult", 817);
  progress.Finish();
  return progress.ErrorCode();
}

void ResetForTests() {
  ClearRestoredVolumes();
  const std::lock_guard<std::mutex> hold(imageLock);
  restoredImage.reset();
}

}  // namespace SaveRestoreResult
