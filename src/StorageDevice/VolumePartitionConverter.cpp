#include "StorageDevice/VolumePartitionConverter.h"

#include <cstring>

using namespace quellsy;

namespace {
constexpr ResultCode kNullRecord = MakeFailure(module::kEnumDevice, 0x0501, error::kBadArgument);
constexpr ResultCode kNotPhysicalDisk = MakeFailure(module::kEnumDevice, 0x0502, error::kUnsupported);
}  // namespace

ResultCode CVolumePartitionConverter::PartitionInfo2VolumeInfo(const CCollectedPartitionDeviceInfoStruct* partition,
                                                               CCollectedVolumeDeviceInfoStruct* volume) {
  if (!partition || !volume) return kNullRecord;
  if (volume->diskKind != 0 || partition->diskKind != 0) return kNotPhysicalDisk;
  *volume = CCollectedVolumeDeviceInfoStruct{};
  volume->diskKind = partition->diskKind;
  volume->fileSystemType = partition->fileSystemType;
  std::memcpy(volume->label, partition->label, sizeof volume->label);
  volume->label[sizeof volume->label - 1] = '\0';
  volume->sectorSize = partition->sectorSize;
  volume->totalSectors = partition->totalSectors;
  volume->deviceId = partition->deviceId;
  volume->parentDisk = partition->parentDisk;
  volume->partitionNumber = partition->partitionIndex;
  volume->partitionTypeGuid = partition->partitionTypeGuid;
  volume->partitionGuid = partition->partitionGuid;
  std::memcpy(volume->apmPartitionType, partition->apmPartitionType, sizeof volume->apmPartitionType);
  volume->startSector = partition->startSector;
  volume->mounted = 0;
  return kResultOk;
}
