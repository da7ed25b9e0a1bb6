#pragma once
// The result codes of device enumeration, one per return point (module 0x03).

#include "Utility/ResultCode.h"

namespace quellsy::enum_device {

constexpr ResultCode Code(std::uint16_t line, std::uint32_t errorNumber) {
  return MakeFailure(module::kEnumDevice, line, errorNumber);
}

constexpr ResultCode kNoDisk = Code(0x0101, error::kFailure);
constexpr ResultCode kUninitNotInitialised = Code(0x0102, error::kNotInitialised);
constexpr ResultCode kDisksNotInitialised = Code(0x0110, error::kNotInitialised);
constexpr ResultCode kPartitionsNotInitialised = Code(0x0120, error::kNotInitialised);
constexpr ResultCode kPartitionsNullDisk = Code(0x0121, error::kNoPrivateData);
constexpr ResultCode kPartitionsUnknownDisk = Code(0x0122, error::kBadArgument);
constexpr ResultCode kVolumesNotInitialised = Code(0x0130, error::kNotInitialised);
constexpr ResultCode kVolumesNullDisk = Code(0x0131, error::kNoPrivateData);
constexpr ResultCode kVolumesUnknownDisk = Code(0x0132, error::kBadArgument);
constexpr ResultCode kArrayTooSmall = Code(0x0140, error::kArrayTooSmall);

// Turning partitions without a volume into devices.
constexpr ResultCode kMergeNotPartition = Code(0x0201, error::kBadArgument);
constexpr ResultCode kMergeNoRecord = Code(0x0202, error::kNoPrivateData);
constexpr ResultCode kMergeCreateFailed = Code(0x0203, error::kNotInitialised);
constexpr ResultCode kMergeNoMemory = Code(0x0204, error::kOutOfMemory);

// Collecting a disk's partitions and volumes.
constexpr ResultCode kNoDiskRecord = Code(0x0301, error::kNoPrivateData);
constexpr ResultCode kPartitionNoMemory = Code(0x0302, error::kOutOfMemory);

static_assert(kNoDisk == 0x0103010100000001ULL);

}  // namespace quellsy::enum_device
