#pragma once
// The result codes of partition-table analysis, one per return point (module 0x10).

#include "Utility/ResultCode.h"

namespace quellsy::partition_table {

constexpr ResultCode Code(std::uint16_t line, std::uint32_t errorNumber) {
  return MakeFailure(module::kPartitionTable, line, errorNumber);
}

// Whole-disk checks.
constexpr ResultCode kNullDevice = Code(0x0101, error::kBadArgument);
constexpr ResultCode kNotWholeDisk = Code(0x0102, error::kUnsupported);
constexpr ResultCode kNoDiskRecord = Code(0x0103, error::kNoPrivateData);
constexpr ResultCode kNotPhysicalDisk = Code(0x0104, error::kUnsupported);
constexpr ResultCode kSectorTooSmall = Code(0x0105, error::kSectorTooSmall);
constexpr ResultCode kSectorTooLarge = Code(0x0106, error::kUnsupported);
constexpr ResultCode kDynamicDisk = Code(0x0107, error::kUnsupported);
// A device that said its read failed but left no code of its own.
constexpr ResultCode kReadFailed = Code(0x0108, error::kFailure);

// Apple partition map.
constexpr ResultCode kApmSectorSize = Code(0x0201, error::kUnsupported);
constexpr ResultCode kApmNoDriverMap = Code(0x0202, error::kBadStructure);
constexpr ResultCode kApmBadBlockSize = Code(0x0203, error::kBadStructure);
constexpr ResultCode kApmBadMapSignature = Code(0x0204, error::kBadStructure);
constexpr ResultCode kApmTooManyEntries = Code(0x0205, error::kBadStructure);

// GPT: neither the primary nor the backup header and entry array pass their checks.
constexpr ResultCode kGptNoValidTable = Code(0x0401, error::kBadStructure);

// MBR and the chain of extended boot records.
constexpr ResultCode kMbrBadSignature = Code(0x0301, error::kBadStructure);
constexpr ResultCode kEbrBadSignature = Code(0x0302, error::kBadStructure);
constexpr ResultCode kEbrTwoLinks = Code(0x0303, error::kBadStructure);
constexpr ResultCode kEbrOutsideDisk = Code(0x0304, error::kBadStructure);

static_assert(kMbrBadSignature == 0x0110030100000006ULL);

}  // namespace quellsy::partition_table
