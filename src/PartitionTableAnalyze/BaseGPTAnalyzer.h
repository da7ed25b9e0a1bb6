#pragma once
// The GUID partition table: the entry array that follows the header (the header itself is not read).

#include <list>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

class CBaseGPTAnalyzer {
 public:
  static constexpr std::uint64_t kArrayFirstSector = 2;
  static constexpr std::uint64_t kArraySectors = 32;
  static constexpr std::size_t kEntries = 128;
  static constexpr std::size_t kEntrySize = 128;
  // Smaller partitions (reserved and boot-loader areas) are not listed.
  static constexpr std::uint64_t kMinPartitionBytes = 8 * 1024 * 1024;

  // The used entries larger than 8 MiB, numbered by their position in the array from 1.
  static quellsy::ResultCode AnalyzeBaseGPT(IStorageDevice* disk, std::list<PartitionEntry>& out);
  // Every used entry whatever its size (for matching the system's partitions to their type GUIDs).
  static quellsy::ResultCode ReadEntryArray(IStorageDevice* disk, std::list<PartitionEntry>& out);

  // The GUID in its usual text form without braces, upper case: 36 characters and a NUL into `out`,
  // which must hold 37.
  static void GUIDToStr(const PartitionGuid& guid, char* out);
};
