#pragma once
// Result codes of the FAT searchers and their build worker (module 0x0A), one per return point.

#include "Utility/ResultCode.h"
#include "Utility/ResultMessage.h"

namespace quellsy::fatsearch {

constexpr ResultCode kQuickMissingArgument = 0x010A004E00000005ULL;
constexpr ResultCode kQuickNoTreeBuilder = 0x010A005300000007ULL;
constexpr ResultCode kQuickNotVolume = 0x010A008100000003ULL;
constexpr ResultCode kQuickNoVolumeData = 0x010A008800000007ULL;
constexpr ResultCode kQuickNoVolumeRecord = 0x010A008F00000007ULL;
constexpr ResultCode kQuickUnsupportedType = 0x010A00610000000CULL;
constexpr ResultCode kQuickNoSectorBuffer = 0x010A00B400000004ULL;
constexpr ResultCode kQuickNoBootSector = 0x010A00CA0000000CULL;
constexpr ResultCode kQuickNoFatTable = 0x010A00D800000007ULL;
constexpr ResultCode kQuickNoPartitionInfo = 0x010A010600000002ULL;
constexpr ResultCode kRootUnreadable = 0x010A008E00000001ULL;
constexpr ResultCode kStopped = 0x010A00980000000DULL;
// The complete search skips a partition whose FAT table cannot be made.
constexpr ResultCode kCompleteNoFatTable = 0x010A039000000007ULL;

// Words for the codes whose error numbers several return points share.
inline constexpr ResultWords kResultWords[] = {
    {kQuickNoTreeBuilder, "the FAT quick scan has no tree builder"},
    {kQuickNotVolume, "the FAT quick scan reads a volume, not a whole disk"},
    {kQuickUnsupportedType, "%s holds no FAT16 or FAT32 volume that the quick scan reads"},
    {kQuickNoBootSector, "no valid FAT boot sector (nor a backup of it) at %s"},
    {kQuickNoFatTable, "neither copy of the FAT of the volume at %s could be used"},
    {kQuickNoPartitionInfo, "the FAT quick scan could not make its partition record"},
    {kRootUnreadable, "the root folder of the FAT volume at %s could not be read"},
    {kStopped, "the scan was stopped"},
};

}  // namespace quellsy::fatsearch
