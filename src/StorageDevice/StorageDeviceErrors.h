#pragma once
// The result codes the storage devices return, one per return point (module 0x0E).

#include "Utility/ResultCode.h"

namespace quellsy::storage {

constexpr ResultCode Code(std::uint16_t line, std::uint32_t errorNumber) {
  return MakeFailure(module::kStorageDevice, line, errorNumber);
}

// Disk and volume devices.
constexpr ResultCode kOpenFailed = Code(0x0101, error::kFailure);
constexpr ResultCode kReadArgument = Code(0x0110, error::kBadArgument);
constexpr ResultCode kReadFailed = Code(0x0111, error::kFailure);
constexpr ResultCode kVolumeReadPastEnd = Code(0x0120, error::kBadArgument);
// The read never reached the device: every raw-read worker is stuck in an earlier, stalled read.
constexpr ResultCode kReadersStalled = Code(0x0112, error::kFailure);

// Partition devices and partitions without a volume.
constexpr ResultCode kRangeNoParent = Code(0x0201, error::kNoPrivateData);
constexpr ResultCode kRangeOpenNoDiskRecord = Code(0x0202, error::kNoPrivateData);
constexpr ResultCode kRangeReadArgument = Code(0x0210, error::kBadArgument);
constexpr ResultCode kRangeSectorSizeMismatch = Code(0x0211, error::kBadArgument);

// qim and DMG image devices.
constexpr ResultCode kImageOpenFailed = Code(0x0301, error::kFailure);
constexpr ResultCode kImageReadArgument = Code(0x0310, error::kBadArgument);
constexpr ResultCode kImageReadFailed = Code(0x0311, error::kFailure);
constexpr ResultCode kImageBadRecord = Code(0x0320, error::kBadStructure);

// Every device.
constexpr ResultCode kIOCtlUnsupported = Code(0x0401, error::kUnsupported);
constexpr ResultCode kNoPrivateData = Code(0x0410, error::kNoPrivateData);

static_assert(kReadFailed == 0x010E011100000001ULL);

}  // namespace quellsy::storage
