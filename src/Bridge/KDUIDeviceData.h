#pragma once
// The process-wide list of devices that can be scanned: the enumerator's whole disks with their
// volumes, then the qim images and the DMG images the user opened, numbered in that order. Disks and
// volumes belong to the enumerator (the maps borrow them); opened images belong to this list and
// stay for the rest of the process, across refreshes.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Bridge/DiskVolumeData.h"
#include "EnumDevice/IEnumDevice.h"

class KDUIDeviceData {
 public:
  enum State { kNotStarted = 0, kEnumerating = 1, kDone = 2 };

  // Borrows `enumerator`, which outlives the list.
  explicit KDUIDeviceData(IEnumDeviceEx* enumerator);
  ~KDUIDeviceData();
  KDUIDeviceData(const KDUIDeviceData&) = delete;
  KDUIDeviceData& operator=(const KDUIDeviceData&) = delete;

  // Made on first use over the process-wide enumerator.
  static KDUIDeviceData* instance();
  // Tests: the next instance() uses `enumerator` (null: the process-wide one) and starts afresh.
  static void ResetForTests(IEnumDeviceEx* enumerator = nullptr);

  // Not started -> enumerating; false when an enumeration already started (the caller then leaves it).
  bool BeginInit();
  // Always ends in kDone: when the enumerator finds no disk the list holds the opened images alone.
  void InitDeviceInfo();
  int GetInitState() const { return state_; }
  // The enumerator's result of the latest enumeration.
  quellsy::ResultCode GetInitResult() const { return initResult_; }
  void Clear();
  // Clear and enumerate again; refused (0) while `scanRunning` says a scan still reads a device.
  int RefreshDeviceInfo(const std::function<bool()>& scanRunning);
  // The refresh in the background, in two steps. On the thread that reads the list: done -> enumerating, after
  // which the listing is empty until the refresh ends; false while an enumeration is under way or none ran yet.
  bool BeginRefresh();
  // On the refreshing thread, after BeginRefresh: drop every listed disk and enumerate again (always ends done).
  void Reenumerate();
  // On the refreshing thread, after BeginRefresh: keep the list as it was (a scan still reads a device).
  void EndRefreshUnchanged() { state_ = kDone; }

  void GetDiskStorageMap(int refresh);
  void GetVolumeStorageMap(int refresh);
  void ReleaseDiskStorageMap() { disks_.clear(); }
  void ReleaseVolumeStorageMap() { volumes_.clear(); }

  // One record per listed disk or image with its volumes; nothing (0) until an enumeration has finished.
  int GetAllDeviceInfo(std::vector<_DiskVolumeData>& list);
  int GetDiskDataByStorage(IStorageDevice* storage, _DiskVolumeData& record);
  int GetVolumeDataByStorage(IStorageDevice* storage, _DiskVolumeData& record);
  // The record of storage as a disk or as a volume, whichever it is; 0 when it has none.
  int GetDataByStorage(IStorageDevice* storage, _DiskVolumeData& record);
  void GetDiskVolumeInfo(IStorageDevice* disk, std::vector<_DiskVolumeData>& list);

  // Null while the list is being enumerated.
  IStorageDevice* GetStorageByDiskVolumeIndex(int disk, int volume);
  IStorageDevice* GetDiskStorageByIndex(int index);
  IStorageDevice* GetVolumeStorageByIndex(IStorageDevice* disk, int index);
  int GetDiskIndexByStorage(IStorageDevice* storage);
  int GetVolumeIndexByStorage(IStorageDevice* disk, IStorageDevice* volume);
  int GetDiskVolumeIndexByStorage(IStorageDevice* storage, int& disk, int& volume);
  IStorageDevice* GetDiskStorageByVolumeStorage(IStorageDevice* storage);
  int IsDiskStorage(IStorageDevice* storage);
  bool GetDiskVolumeStorage(IStorageDevice* disk, std::vector<IStorageDevice*>& list);
  CCollectedVolumeDeviceInfoStruct* GetVolumeInfo(IStorageDevice* storage);
  // A storage without a volume record (a disk or an image) is not a volume, so not a supported one.
  int IsVolumeStorageSupported(IStorageDevice* storage);
  static int IsSupportVolume(const CCollectedVolumeDeviceInfoStruct& volume);

  int KDOpenQimFileImp(const char* path);
  int KDOpenDmgFileImp(const char* path, const CDMGDeviceInfoStruct& info);
  int KDCheckQimFileExist(IStorageDevice* storage);
  int KDCheckDmgFileExist(IStorageDevice* storage);
  // Reopen an image from a scan-result record; the caller owns the device.
  IStorageDevice* GetStorageByQimInfo(const void* record, int length, const char* name);
  IStorageDevice* GetStorageByDmgInfo(const void* record, int length, const char* name);

 private:
  int AddImage(std::vector<std::unique_ptr<IStorageDevice>>& images, IStorageDevice* created, bool duplicate);
  bool FillImageRecord(IStorageDevice* storage, _DiskVolumeData& record);

  IEnumDeviceEx* enumerator_;
  std::map<int, IStorageDevice*> disks_;
  std::map<IStorageDevice*, std::vector<IStorageDevice*>> volumes_;
  std::atomic<int> state_{kNotStarted};
  quellsy::ResultCode initResult_ = quellsy::kResultOk;
  std::vector<std::unique_ptr<IStorageDevice>> qims_;
  std::vector<std::unique_ptr<IStorageDevice>> dmgs_;
};
