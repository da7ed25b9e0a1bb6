#include "NTFSSearch/NTFSSectorRanges.h"

#include <algorithm>

namespace quellsy::ntfs {

std::int64_t CountSectorsInRanges(const CNTFSDataRunList& runs, std::int64_t origin, std::uint32_t sectorsPerCluster,
                                  std::int64_t totalSectors, const SectorRanges& ranges) {
  if (sectorsPerCluster == 0) return 0;
  const std::int64_t k = sectorsPerCluster;
  std::int64_t count = 0;
  for (const CDataRun& run : runs.GetRuns()) {
    if (run.lcn < 0 || run.length <= 0 || run.lcn > totalSectors / k || run.length > totalSectors / k) continue;
    const std::int64_t first = origin + run.lcn * k;
    const std::int64_t end = first + run.length * k;
    for (const auto& [from, length] : ranges) {
      const std::int64_t overlap = std::min(end, from + length) - std::max(first, from);
      if (overlap > 0) count += overlap;
    }
  }
  return count;
}

}  // namespace quellsy::ntfs
