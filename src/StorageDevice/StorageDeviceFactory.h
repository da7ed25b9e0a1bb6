#pragma once
// The factories of the storage devices. Each returns a new device or null; the caller deletes it.
// Disk, volume and partition devices are only constructed (the caller opens them and attaches their
// records); the image factories open the image and attach its record.

#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

IStorageDevice* CreateDiskDevice(const char* path);
IStorageDevice* CreateVolumeDevice(const char* path);
IStorageDevice* CreatePartitionDevice(IStorageDevice* parent, long long start, long long total);

// A partition without a volume over the partition's disk: null unless `partitionDevice` carries a
// partition record of a physical disk (kind 0) that names its disk.
IStorageDevice* CreatePartitionVirtualVolumeDevice(IStorageDevice* partitionDevice);

// Null when the file cannot be opened or is not a complete, sane qim image.
IStorageDevice* CreateQimDevice(const char* path);
// Reopens a qim image from a stored 1192-byte record, at `path` or else at the record's image path;
// null unless the image still matches the record (geometry, end offset, creation time, device name).
IStorageDevice* CreateQimDeviceByQimInfo(const void* record, int length, const char* path);

// Opens the DMG image at `path` with a copy of the record its parser filled; null when the file
// cannot be opened or the record does not fit it.
IStorageDevice* CreateDmgDevice(const char* path, const CDMGDeviceInfoStruct* record);
// Reopens a DMG image from a stored record (at most 2088 bytes), always at the record's own image
// path: the third argument is the scan-result file's path and is not used.
IStorageDevice* CreateDmgDeviceByDmgInfo(const void* record, int length, const char* path);
