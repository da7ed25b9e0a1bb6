#pragma once
// The partition entries enumeration works from: the disk's table, or the whole disk as one pseudo
// entry (index -1) when the table holds none.

#include <list>
#include <set>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "include/IStorageDevice.h"

namespace quellsy {

// A damaged table gives what was read before the damage; a disk that cannot be read or is refused
// (a dynamic disk) gives none.
std::list<PartitionEntry> PartitionEntriesOf(IStorageDevice* disk);

// The MBR slots (1-4) that hold an extended partition. The kernel lists such a container as a tiny
// partition of its own; it holds no volume.
std::set<int> ExtendedSlotsOf(IStorageDevice* disk);

}  // namespace quellsy
