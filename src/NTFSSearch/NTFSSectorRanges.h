#pragma once
// Runs of matching sectors (first sector, count) that the complete search gathers, and how many sectors of a
// file's clusters lie in them.

#include <cstdint>
#include <utility>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"

namespace quellsy::ntfs {

using SectorRanges = std::vector<std::pair<std::int64_t, std::int64_t>>;

// The sectors of the runs, placed in the partition at origin (runs beyond its total sectors left out), that lie
// in the ranges.
std::int64_t CountSectorsInRanges(const CNTFSDataRunList& runs, std::int64_t origin, std::uint32_t sectorsPerCluster,
                                  std::int64_t totalSectors, const SectorRanges& ranges);

}  // namespace quellsy::ntfs
