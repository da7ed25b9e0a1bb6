#include "FATLib/CFATBuildDataRun.h"

#include <memory>

#include "FATLib/IFATTable.h"
#include "include/DataRunList.h"

namespace {

struct ReleaseList {
  void operator()(IDataRunList* list) const { list->Release(); }
};
using ListHolder = std::unique_ptr<IDataRunList, ReleaseList>;

}  // namespace

CFATBuildDataRun::CFATBuildDataRun(IFATTable* table, std::uint32_t bytesPerSector, std::uint32_t sectorsPerCluster,
                                   std::uint64_t totalSectors, std::vector<bool>* clusterBitmap)
    : m_table(table),
      m_bytesPerSector(bytesPerSector),
      m_sectorsPerCluster(sectorsPerCluster),
      m_totalSectors(totalSectors),
      m_clusterBitmap(clusterBitmap) {}

IDataRunList* CFATBuildDataRun::BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted) {
  if (m_table == nullptr || m_totalSectors == 0 || m_sectorsPerCluster == 0 || m_bytesPerSector == 0 || size == 0 ||
      firstCluster < 2 || firstCluster >= kEndOfChain)
    return nullptr;
  return deleted ? BuildDeleteFileDataRunList(firstCluster, size) : BuildLiveFileDataRunList(firstCluster, size);
}

bool CFATBuildDataRun::WithinBound(long long start, long long length) const {
  return static_cast<std::uint64_t>(start + length) * m_sectorsPerCluster <= m_totalSectors;
}

IDataRunList* CFATBuildDataRun::BuildLiveFileDataRunList(std::uint64_t firstCluster, std::uint64_t size) {
  ListHolder list(CreateDataRunList());
  if (!list) return nullptr;
  const std::uint64_t clusterBytes = m_bytesPerSector * m_sectorsPerCluster;
  DataRun run{static_cast<long long>(firstCluster) - 2, 1};
  std::uint64_t cluster = firstCluster;
  std::uint64_t done = 0;
  for (std::uint64_t steps = 0;; ++steps) {
    if (steps > MaxClusters()) return nullptr;  // a looping chain
    const std::uint64_t next = m_table->GetNextCluster(static_cast<std::uint32_t>(cluster));
    if (next < 2 || next >= kEndOfChain) {
      // The chain ends here: the last run covers whatever of the size is left.
      run.length = static_cast<long long>((size - done + clusterBytes - 1) / clusterBytes);
      if (!WithinBound(run.lcn, run.length)) return nullptr;
      list->AddDataRun(&run);
      break;
    }
    if (next == cluster + 1) {
      ++run.length;
    } else {
      if (!WithinBound(run.lcn, run.length)) return nullptr;
      list->AddDataRun(&run);
      done += static_cast<std::uint64_t>(run.length) * clusterBytes;
      if (done >= size) break;
      run = DataRun{static_cast<long long>(next) - 2, 1};
    }
    cluster = next;
  }
  if (m_clusterBitmap != nullptr) {
    for (const DataRun* r = list->GetFirst(); r != nullptr; r = list->GetNext()) {
      for (long long i = 0; i < r->length; ++i) {
        const auto bit = static_cast<std::uint64_t>(r->lcn + i);
        if (bit < m_clusterBitmap->size()) (*m_clusterBitmap)[bit] = true;
      }
    }
  }
  return list.release();
}

IDataRunList* CFATBuildDataRun::BuildDeleteFileDataRunList(std::uint64_t firstCluster, std::uint64_t size) {
  ListHolder list(CreateDataRunList());
  if (!list) return nullptr;
  const std::uint64_t clusterBytes = m_bytesPerSector * m_sectorsPerCluster;
  std::uint64_t cluster = firstCluster;
  bool followFat = true;
  std::uint64_t done = 0;
  bool any = false;
  for (std::uint64_t steps = 0; done < size && cluster >= 2 && (cluster - 2) * m_sectorsPerCluster < m_totalSectors &&
                                steps < MaxClusters();
       ++steps) {
    if (cluster != kBadCluster) {
      const DataRun run{static_cast<long long>(cluster) - 2, 1};
      list->AddDataRun(&run);
      done += clusterBytes;
      any = true;
    }
    const std::uint64_t previous = cluster;
    std::uint64_t next = followFat ? m_table->GetNextCluster(static_cast<std::uint32_t>(previous)) : previous + 1;
    if (next == 0) {
      // The chain was freed: from here on the file is taken to lie in the following clusters.
      next = previous + 1;
      followFat = false;
    }
    cluster = next;
  }
  return any ? list.release() : nullptr;
}
