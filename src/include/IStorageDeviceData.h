#pragma once
// The descriptions a storage device carries: the records enumeration collects for disks, partitions
// and volumes, the records of the two image kinds, and the holders that own one record each.
// Records stored in files (qim, DMG) have fixed little-endian layouts; StorageDevice/ reads and
// writes them field by field, never by copying these structures.

#include <array>
#include <cstdint>

#include "include/FileSystemType.h"

class IStorageDevice;

// A node's dev_t (st_rdev); full width, since NVMe majors do not fit a packed 32-bit number.
constexpr std::uint64_t kNoDeviceId = ~std::uint64_t{0};

enum DiskBusType : std::uint32_t {
  DISK_BUS_OTHER = 0,
  DISK_BUS_ATA = 1,
  DISK_BUS_SATA = 2,
  DISK_BUS_SCSI = 3,
  DISK_BUS_USB = 4,
  DISK_BUS_VIRTUAL = 5,
};

// A GPT GUID in the byte order of a GPT entry.
using PartitionGuid = std::array<std::uint8_t, 16>;

// One whole disk.
struct CCollectDiskDeviceInfoStruct {
  std::uint32_t diskKind = 0;  // 0 for every enumerated disk; partition-table analysis refuses others
  std::uint32_t busType = DISK_BUS_OTHER;
  std::uint32_t partitionScheme = 0;  // 0 none, 1 MBR, 2 GPT, 3 Apple partition map
  std::uint32_t writable = 0;
  char name[128] = {};     // the medium's model name
  char bsdName[128] = {};  // kernel name, e.g. "sdb"
  std::uint64_t sectorSize = 0;  // the devices read it as 32 bits
  std::uint64_t totalSectors = 0;
  std::uint64_t cylinders = 0;  // total sectors / 16065 over the fixed 255 x 63 geometry
  std::uint64_t heads = 255;
  std::uint64_t sectorsPerTrack = 63;
  std::uint64_t deviceId = kNoDeviceId;
};

// One volume, or one partition without a volume.
struct CCollectedVolumeDeviceInfoStruct {
  std::uint32_t diskKind = 0;
  enumFILE_SYSTEM_TYPE fileSystemType = FILE_SYSTEM_UNKNOWN;
  char label[100] = {};
  char volumeName[1024] = {};
  char bsdName[128] = {};
  std::uint64_t sectorSize = 0;
  std::uint64_t totalSectors = 0;
  std::uint64_t deviceId = kNoDeviceId;
  IStorageDevice* parentDisk = nullptr;  // not owned
  std::int32_t partitionNumber = -1;     // -1 for a file system on the whole disk
  PartitionGuid partitionTypeGuid = {};
  PartitionGuid partitionGuid = {};
  char apmPartitionType[32] = {};
  std::uint64_t startSector = 0;
  std::uint32_t mounted = 0;
};

// One partition-table entry.
struct CCollectedPartitionDeviceInfoStruct {
  std::uint32_t diskKind = 0;
  enumFILE_SYSTEM_TYPE fileSystemType = FILE_SYSTEM_UNKNOWN;
  char label[100] = {};
  std::uint64_t sectorSize = 0;  // the disk's
  std::uint64_t totalSectors = 0;
  std::uint64_t deviceId = kNoDeviceId;   // the disk's
  IStorageDevice* parentDisk = nullptr;   // not owned
  std::int32_t partitionIndex = -1;       // -1 for the whole-disk pseudo entry
  PartitionGuid partitionTypeGuid = {};   // zero unless GPT
  PartitionGuid partitionGuid = {};
  char apmPartitionType[32] = {};
  std::uint64_t startSector = 0;
};

// The qim image's information record (1192 bytes in the file).
struct CQIMDeviceInfoStruct {
  std::uint64_t sectorSize = 0;
  std::uint64_t sectorCount = 0;
  std::uint64_t dataOffset = 0;  // where sector 0 lies in the file
  std::uint64_t endOffset = 0;   // the file's size once the image is complete
  char deviceName[128] = {};
  char imagePath[1024] = {};
  std::uint64_t creationTime = 0;  // seconds since 1970
};

// A DMG image's information record (2088 bytes when stored).
struct CDMGDeviceInfoStruct {
  std::uint64_t sectorSize = 512;
  std::uint64_t sectorCount = 0;
  std::uint64_t dataOffset = 0;
  std::uint64_t fileSize = 0;
  char name[1024] = {};
  char imagePath[1032] = {};
};

class IStorageDeviceData {
 public:
  virtual ~IStorageDeviceData() = default;
};

// The per-kind holders: each owns one record, deletes it with itself, and hands it out. The setter
// replaces the pointer without freeing the previous record, which the caller then owns again.
template <class Record>
class IDeviceRecordData : public IStorageDeviceData {
 public:
  using RecordType = Record;
  virtual Record* GetRecord() = 0;
  virtual void SetRecord(Record* record) = 0;
};

class IDiskDeviceData : public IDeviceRecordData<CCollectDiskDeviceInfoStruct> {
 public:
  CCollectDiskDeviceInfoStruct* GetDiskInfo() { return GetRecord(); }
  void SetDiskInfo(CCollectDiskDeviceInfoStruct* record) { SetRecord(record); }
};

class IVolumeDeviceData : public IDeviceRecordData<CCollectedVolumeDeviceInfoStruct> {
 public:
  CCollectedVolumeDeviceInfoStruct* GetVolumeInfo() { return GetRecord(); }
  void SetVolumeInfo(CCollectedVolumeDeviceInfoStruct* record) { SetRecord(record); }
};

class IPartitionDeviceData : public IDeviceRecordData<CCollectedPartitionDeviceInfoStruct> {
 public:
  CCollectedPartitionDeviceInfoStruct* GetPartitionInfo() { return GetRecord(); }
  void SetPartitionInfo(CCollectedPartitionDeviceInfoStruct* record) { SetRecord(record); }
};

class IDmgDeviceData : public IDeviceRecordData<CDMGDeviceInfoStruct> {
 public:
  CDMGDeviceInfoStruct* GetDMGInfo() { return GetRecord(); }
  void SetDMGInfo(CDMGDeviceInfoStruct* record) { SetRecord(record); }
};

class IQIMDeviceData : public IDeviceRecordData<CQIMDeviceInfoStruct> {
 public:
  CQIMDeviceInfoStruct* GetQIMInfo() { return GetRecord(); }
  void SetQIMInfo(CQIMDeviceInfoStruct* record) { SetRecord(record); }
};
