#pragma once
// One partition found in a disk's partition table, and the partition schemes that are read.

#include <cstdint>
#include <optional>

#include "include/IStorageDeviceData.h"

enum enumDiskPartitionScheme : std::uint32_t {
  DISK_PARTITION_SCHEME_NONE = 0,
  DISK_PARTITION_SCHEME_MBR = 1,
  DISK_PARTITION_SCHEME_GPT = 2,
  DISK_PARTITION_SCHEME_APM = 3,
};

struct PartitionEntry {
  // GPT: position in the entry array from 1; MBR: primary slot 1-4, logical partitions from 5 in
  // chain order; APM: map entry number from 1. -1 marks the whole-disk pseudo entry of enumeration.
  std::int32_t index = 0;
  std::uint64_t startSector = 0;  // in the disk's sectors
  std::uint64_t sectorCount = 0;
  PartitionGuid typeGuid = {};    // GPT only
  PartitionGuid uniqueGuid = {};  // GPT only
  char apmType[32] = {};          // APM only: the map entry's type, NUL-padded

  bool operator==(const PartitionEntry&) const = default;
};

namespace quellsy {

// The sector count a table entry gets on a disk of `diskSectors`: the stated count when the entry lies
// inside the disk, else the rest of the disk. nullopt for an entry starting at or past the disk's end,
// which a damaged table must not turn into a partition.
constexpr std::optional<std::uint64_t> CountOnDisk(std::uint64_t start, std::uint64_t count, std::uint64_t diskSectors) {
  if (start >= diskSectors) return std::nullopt;
  if (count < 1 || count > diskSectors - start) return diskSectors - start;
  return count;
}

}  // namespace quellsy
