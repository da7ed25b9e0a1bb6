#pragma once
// The partitions of the last restored scan, each on its own device whose sector 0 is the partition's start, kept
// process-wide by searcher type and partition index: a restored node reads compressed data through them long after
// the restore ended. The next restore (or a test) empties the store.

#include <cstdint>

#include "include/SearcherType.h"

class CSearchedPartitionInfo;
class IStorageDevice;

namespace SaveRestoreResult {

// Forgets every partition device.
void ClearRestoredVolumes();
// Keeps a device over partition's sectors of scanned; the first record of a (searcher, index) pair wins.
void KeepRestoredVolume(_tagSearcherType searcher, const CSearchedPartitionInfo& partition, IStorageDevice* scanned);
// The device kept for that pair, or null.
IStorageDevice* FindRestoredVolume(_tagSearcherType searcher, std::uint16_t partitionIndex);

}  // namespace SaveRestoreResult
