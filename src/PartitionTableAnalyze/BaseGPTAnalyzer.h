#pragma once
// The GUID partition table: the header at sector 1 (or its backup at the disk's last sector) and the
// entry array it points to, both checked by their CRCs.

#include <list>
#include <optional>
#include <vector>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

class CBaseGPTAnalyzer {
 public:
  static constexpr std::uint64_t kPrimaryHeaderSector = 1;
  static constexpr std::size_t kMinHeaderSize = 92;
  static constexpr std::size_t kMinEntrySize = 128;
  // Far above any table a tool writes (128 entries of 128 bytes); a header asking for more is damaged.
  static constexpr std::uint64_t kMaxArrayBytes = 1024 * 1024;
  // Smaller partitions (reserved and boot-loader areas) are not listed.
  static constexpr std::uint64_t kMinPartitionBytes = 8 * 1024 * 1024;

  // What a sound header says about its entry array.
  struct Header {
    std::uint64_t arrayFirstSector = 0;
    std::uint32_t entries = 0;
    std::uint32_t entrySize = 0;
    std::uint32_t arrayCrc = 0;
  };

  // The used entries larger than 8 MiB, numbered by their position in the array from 1.
  static quellsy::ResultCode AnalyzeBaseGPT(IStorageDevice* disk, std::list<PartitionEntry>& out);
  // Every used entry whatever its size (for matching the system's partitions to their type GUIDs).
  // The primary header and array when both pass their CRCs, else the backup's; neither is an error.
  static quellsy::ResultCode ReadEntryArray(IStorageDevice* disk, std::list<PartitionEntry>& out);
  // True when the primary or the backup table passes its checks.
  static bool HasValidTable(IStorageDevice* disk);

  // The GUID in its usual text form without braces, upper case: 36 characters and a NUL into `out`,
  // which must hold 37.
  static void GUIDToStr(const PartitionGuid& guid, char* out);

 private:
  static std::optional<Header> ReadHeader(IStorageDevice* disk, std::uint64_t sector);
  // The entry array of `header`, when it reads and matches the header's CRC.
  static std::optional<std::vector<std::uint8_t>> ReadArray(IStorageDevice* disk, const Header& header);
  // The first table (primary, then backup) whose header and array both pass.
  static quellsy::ResultCode FindTable(IStorageDevice* disk, Header& header, std::vector<std::uint8_t>& array);
};
