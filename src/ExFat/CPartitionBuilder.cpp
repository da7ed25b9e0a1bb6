#include "ExFat/CPartitionBuilder.h"

#include <algorithm>
#include <bit>
#include <deque>

#include "ExFat/CExFatDBR.h"

namespace {

constexpr std::uint32_t kLastCluster = 0xFFFFFFF5;
constexpr std::int64_t kBackupDistance = 12;
constexpr std::size_t kBelongChecks = 16;
constexpr std::uint32_t kPairMinimum = 7;
constexpr std::uint32_t kBestStart = 5;
constexpr std::ptrdiff_t kPairBack = 31;
constexpr std::ptrdiff_t kPairAhead = 128;
constexpr std::ptrdiff_t kSimpleBack = 8;
constexpr std::ptrdiff_t kSimpleAhead = 7;
constexpr std::uint32_t kSimpleMinimum = 3;

// Sector of cluster under a guessed heap start; -1 when it does not fit an i64.
std::int64_t SectorOf(std::int64_t heapStart, std::uint64_t clusterSize, std::uint32_t cluster) {
  if (cluster < 2) return -1;
  const std::uint64_t offset = std::uint64_t{cluster - 2} * clusterSize;
  if (offset > static_cast<std::uint64_t>(INT64_MAX - std::max<std::int64_t>(heapStart, 0))) return -1;
  return heapStart + static_cast<std::int64_t>(offset);
}

// Every in-use file of the set starts on a cluster below limit, and a contiguous one ends there too.
bool FilesFit(const CFileSet& set, std::uint32_t limit, std::uint32_t clusterBytes) {
  if (clusterBytes == 0) return false;
  return std::all_of(set.m_files.begin(), set.m_files.end(), [limit, clusterBytes](const _tagFileBaseInfo& file) {
    if (file.firstCluster == 0 && file.dataLength == 0) return true;
    if (file.firstCluster < 2 || file.firstCluster >= limit || file.dataLength < 0) return false;
    const std::uint64_t clusters =
        file.noFatChain != 0 ? (static_cast<std::uint64_t>(file.dataLength) + clusterBytes - 1) / clusterBytes : 1;
    return std::uint64_t{file.firstCluster} + clusters <= limit;
  });
}

}  // namespace

void CPartitionBuilder::PrepareBuild(std::uint32_t sectorSize, std::uint64_t totalSectors) {
  Clear();
  m_sectorSize = sectorSize != 0 ? sectorSize : 512;
  m_totalSectors = totalSectors;
}

void CPartitionBuilder::Clear() {
  m_sets.clear();
  m_taken = 0;
  m_highestReached = 0;
  m_byKey.clear();
  m_list.clear();
  m_removed.clear();
  m_upcaseSectors.clear();
  m_final.clear();
  m_settled.clear();
  m_folderSectors.clear();
}

std::vector<const CExFatPartitionEx*> CPartitionBuilder::Candidates() const {
  std::vector<const CExFatPartitionEx*> out;
  for (const auto& candidate : m_list) out.push_back(candidate.get());
  return out;
}

CFileSet* CPartitionBuilder::FindFileSet(std::int64_t firstSector) const {
  const auto at = std::lower_bound(m_sets.begin(), m_sets.end(), firstSector,
                                   [](const std::unique_ptr<CFileSet>& s, std::int64_t v) { return s->m_firstSector < v; });
  return at != m_sets.end() && (*at)->m_firstSector == firstSector ? at->get() : nullptr;
}

CExFatPartitionEx* CPartitionBuilder::Find(std::int64_t heapStart, std::uint32_t sectorsPerCluster) const {
  const auto found = m_byKey.find({heapStart, sectorsPerCluster});
  return found != m_byKey.end() ? found->second : nullptr;
}

bool CPartitionBuilder::IsRemoved(std::int64_t heapStart, std::uint32_t sectorsPerCluster) const {
  return m_removed.count({heapStart, sectorsPerCluster}) != 0;
}

std::unique_ptr<CExFatPartitionEx> CPartitionBuilder::NewCandidate(std::int64_t heapStart, std::uint32_t sectorsPerCluster,
                                                                   std::uint32_t flags) const {
  auto candidate = std::make_unique<CExFatPartitionEx>();
  candidate->m_bytesPerSector = m_sectorSize;
  candidate->m_sectorsPerCluster = sectorsPerCluster;
  candidate->m_bytesPerCluster = m_sectorSize * sectorsPerCluster;
  candidate->m_heapStart = heapStart;
  candidate->m_partitionStart = static_cast<std::uint64_t>(heapStart);
  candidate->m_totalSectors = m_totalSectors > static_cast<std::uint64_t>(heapStart) ? m_totalSectors - heapStart : 0;
  candidate->m_clusterLimit = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(candidate->m_totalSectors / sectorsPerCluster + 2, 0xFFFFFFFFull));
  candidate->m_flags = flags;
  return candidate;
}

CExFatPartitionEx* CPartitionBuilder::Insert(std::unique_ptr<CExFatPartitionEx> candidate) {
  CExFatPartitionEx* raw = candidate.get();
  m_byKey[{raw->m_heapStart, raw->m_sectorsPerCluster}] = raw;
  m_list.push_back(std::move(candidate));
  return raw;
}

void CPartitionBuilder::Remove(CExFatPartitionEx* candidate, bool remember) {
  const Key key{candidate->m_heapStart, candidate->m_sectorsPerCluster};
  m_byKey.erase(key);
  if (remember) m_removed.insert(key);
  std::erase_if(m_list, [candidate](const auto& owned) { return owned.get() == candidate; });
}

void CPartitionBuilder::RemovePartion(std::int64_t heapStart, std::uint32_t sectorsPerCluster) {
  CExFatPartitionEx* candidate = Find(heapStart, sectorsPerCluster);
  if (candidate != nullptr && candidate->m_flags == CExFatPartitionEx::kBackupBoot) Remove(candidate, true);
}

void CPartitionBuilder::Sort() {
  std::stable_sort(m_list.begin(), m_list.end(),
                   [](const auto& a, const auto& b) { return CExFatPartitionGreater(a.get(), b.get()); });
}

void CPartitionBuilder::SpillPartition() {
  if (m_list.size() < kSpillAt) return;
  Sort();
  while (m_list.size() > kSpillTo) {
    m_byKey.erase({m_list.back()->m_heapStart, m_list.back()->m_sectorsPerCluster});
    m_list.pop_back();
  }
}

void CPartitionBuilder::Build(std::int64_t sector, const CExFatDBR& boot) {
  const std::uint32_t perCluster = boot.GetSectorsperCluster();
  const std::int64_t heapOffset = boot.GetDataRegionStartSector();
  if (CExFatPartitionEx* main = Find(sector - kBackupDistance + heapOffset, perCluster)) {
    main->m_flags |= CExFatPartitionEx::kBackupBoot;
    RemovePartion(sector - 2 * kBackupDistance + heapOffset, perCluster);
    Sort();
    return;
  }
  const auto make = [&](std::int64_t start, std::uint32_t flags) {
    if (Find(start + heapOffset, perCluster) != nullptr) return;
    auto candidate = NewCandidate(start + heapOffset, perCluster, flags);
    candidate->m_partitionStart = static_cast<std::uint64_t>(start);
    candidate->m_totalSectors = boot.GetTotalSectors();
    const std::uint64_t fatEntries = std::uint64_t{boot.GetSectorsPerFat()} * m_sectorSize / 4;
    candidate->m_clusterLimit =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(boot.GetTotalCluster(), fatEntries), 0xFFFFFFFFull));
    candidate->m_fatLength = boot.GetSectorsPerFat();
    candidate->m_fatOffset = boot.GetFatStartSector();
    candidate->m_numberOfFats = boot.GetNumberOfFat();
    candidate->m_rootCluster = boot.GetRootDirStartCluster();
    Insert(std::move(candidate));
  };
  make(sector, CExFatPartitionEx::kMainBoot);
  if (sector >= kBackupDistance) make(sector - kBackupDistance, CExFatPartitionEx::kBackupBoot);
  Sort();
}

void CPartitionBuilder::RecordFAT(std::int64_t sector) {
  for (const auto& candidate : m_list)
    if (candidate->CheckFatSector(sector)) return;
}

void CPartitionBuilder::PushFileSet(std::unique_ptr<CFileSet> set, std::int64_t lastFirstSector,
                                    std::int64_t nextFirstSector) {
  if (!set || set->m_firstSector < 0) return;
  if (!m_sets.empty() && m_sets.back()->m_firstSector >= set->m_firstSector) return;
  m_highestReached = std::max(m_highestReached, set->m_firstSector + static_cast<std::int64_t>(set->m_highestCluster));
  CFileSet* raw = set.get();
  m_sets.push_back(std::move(set));
  if (CFileSet* last = lastFirstSector >= 0 ? FindFileSet(lastFirstSector) : nullptr; last != nullptr && last != raw) {
    last->m_next = raw;
    raw->m_last = last;
    raw->MergeClusterBounds(*last);
  }
  if (CFileSet* next = nextFirstSector >= 0 ? FindFileSet(nextFirstSector) : nullptr; next != nullptr && next != raw) {
    raw->m_next = next;
    next->m_last = raw;
    raw->MergeClusterBounds(*next);
  }
}

void CPartitionBuilder::Build(std::int64_t sector) {
  if (m_taken >= m_sets.size()) return;
  if (m_sets.size() - m_taken > kInferenceLag || sector > m_highestReached + kSectorLag) BuildFromTree(m_taken++);
}

void CPartitionBuilder::BuildFromTree(std::size_t index) {
  CFileSet& set = *m_sets[index];
  if (set.IsRoot()) {
    BuildFromUpcaseTable(set);
    BuildFromRoot(set);
    return;
  }
  if (!set.HasFolders() || IsBelongExistedPartition(set)) return;
  const auto position = static_cast<std::ptrdiff_t>(index);
  const std::ptrdiff_t from = std::max<std::ptrdiff_t>(position - kPairBack, 0);
  const std::ptrdiff_t to = std::min<std::ptrdiff_t>(position + kPairAhead, static_cast<std::ptrdiff_t>(m_sets.size()) - 1);
  for (std::ptrdiff_t i = from; i <= to; ++i) {
    CFileSet& other = *m_sets[static_cast<std::size_t>(i)];
    if (&other == &set || other.IsRoot() || !other.HasFolders() || other.Has(CFileSet::kAbridged)) continue;
    BuildFromTree(set, other, kPairMinimum);
  }
}

bool CPartitionBuilder::IsBelongExistedPartition(CFileSet& set) {
  std::size_t examined = 0;
  for (const auto& owned : m_list) {
    CExFatPartitionEx& candidate = *owned;
    if (!candidate.IsFileSetInPartition(set)) continue;
    if (++examined > kBelongChecks) break;
    if (candidate.IsClusterSizeConflicted(set) || !candidate.IsClusterFisrtSector(set.m_firstSector)) continue;
    if (candidate.HasMatched(&set)) return true;
    if (!set.HasFolders()) continue;
    std::vector<CFileSet*> reached;
    const std::uint32_t minimum = candidate.m_flags <= CExFatPartitionEx::kFromTree ? kPairMinimum : 1;
    const std::uint32_t score =
        CheckTree(set, candidate.m_heapStart, candidate.m_sectorsPerCluster, reached, minimum, nullptr);
    if (score == 0) continue;
    Match(candidate, set, score);
    for (CFileSet* member : reached) Match(candidate, *member, score);
    return true;
  }
  return false;
}

std::uint32_t CPartitionBuilder::CheckTree(CFileSet& set, std::int64_t heapStart, std::uint64_t clusterSize,
                                           std::vector<CFileSet*>& reached, std::uint32_t minimum,
                                           const CExFatPartitionEx* owner) {
  reached.clear();
  if (clusterSize == 0 || set.m_firstSector < heapStart) return 0;
  const auto matched = [owner](const CFileSet& s) {
    return owner != nullptr ? owner->HasMatched(&s) : s.Has(CFileSet::kMatched);
  };
  std::set<std::uint32_t> visited;
  visited.insert(static_cast<std::uint32_t>(std::min<std::uint64_t>(
      static_cast<std::uint64_t>(set.m_firstSector - heapStart) / clusterSize + 2, 0xFFFFFFFFull)));
  std::vector<std::uint32_t> level = set.m_folders;
  std::uint32_t score = 0;
  bool walking = true;
  for (std::uint32_t depth = 1; walking && !level.empty(); ++depth) {
    std::vector<std::uint32_t> next;
    for (const std::uint32_t folder : level) {
      if (!visited.insert(folder).second) return 0;
      const std::int64_t sector = SectorOf(heapStart, clusterSize, folder);
      if (sector < 0 || static_cast<std::uint64_t>(sector) >= m_totalSectors) return 0;
      CFileSet* member = FindFileSet(sector);
      if (member == nullptr) continue;
      const std::int64_t highest = SectorOf(heapStart, clusterSize, member->m_highestCluster);
      if (matched(*member) || member->Has(CFileSet::kAbridged) || !member->AdmitsClusterSize(clusterSize) ||
          (highest >= 0 && static_cast<std::uint64_t>(highest) > m_totalSectors)) {
        walking = false;
        break;
      }
      reached.push_back(member);
      score += depth;
      next.insert(next.end(), member->m_folders.begin(), member->m_folders.end());
    }
    level = std::move(next);
  }
  if (score < minimum) return 0;
  const auto bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(clusterSize * m_sectorSize, 0xFFFFFFFFull));
  for (const CFileSet* member : reached)
    if (ClustersCollide(*member, bytes)) return 0;
  return score;
}

void CPartitionBuilder::Match(CExFatPartitionEx& candidate, CFileSet& set, std::uint32_t mark) {
  candidate.InsertMathedFileSet(&set, mark);
  set.m_flags |= CFileSet::kMatched;
}

void CPartitionBuilder::BuildFromTree(CFileSet& set, CFileSet& other, std::uint32_t minimum) {
  std::uint32_t best = kBestStart;
  struct Kept {
    std::int64_t heapStart;
    std::uint32_t clusterSize;
  };
  std::vector<Kept> kept;
  for (std::uint64_t c = set.m_leastCluster; c != 0 && c <= set.m_greatestCluster; c <<= 1) {
    if (!other.AdmitsClusterSize(c) || set.m_sectorCount > c) continue;
    const std::int64_t distance = other.m_firstSector - set.m_firstSector;
    if (distance % static_cast<std::int64_t>(c) != 0) continue;
    for (const std::uint32_t folder : set.m_folders) {
      if (folder < 2 || folder > other.m_highestCluster) continue;
      const std::int64_t offset = SectorOf(0, c, folder);
      if (offset < 0 || offset > other.m_firstSector) break;
      const std::int64_t heapStart = other.m_firstSector - offset;
      if (heapStart + 3 * static_cast<std::int64_t>(c) > set.m_firstSector) break;
      const auto perCluster = static_cast<std::uint32_t>(c);
      if (IsRemoved(heapStart, perCluster)) continue;
      if (static_cast<std::uint64_t>(set.m_firstSector - heapStart) / c + 2 > set.m_highestCluster) continue;
      std::vector<CFileSet*> reached;
      const std::uint32_t score = CheckTree(set, heapStart, c, reached, minimum, nullptr);
      if (score < best) continue;
      if (score > best) kept.clear();
      best = score;
      kept.push_back({heapStart, perCluster});
    }
  }
  std::vector<Proposal> proposals;
  for (const Kept& guess : kept) {
    Proposal proposal;
    proposal.candidate = Find(guess.heapStart, guess.clusterSize);
    if (proposal.candidate != nullptr)
      proposal.candidate->m_flags |= CExFatPartitionEx::kFromTree;
    else
      proposal.fresh = NewCandidate(guess.heapStart, guess.clusterSize, CExFatPartitionEx::kFromTree);
    proposals.push_back(std::move(proposal));
  }
  UpdatePartitionList(proposals, set);
}

void CPartitionBuilder::BuildFromUpcaseTable(CFileSet& set) {
  const std::uint32_t upcase = set.m_upcaseCluster;
  if (set.m_upcaseLength == 0 || upcase < 2) return;
  const std::uint64_t upcaseSectors = (set.m_upcaseLength + m_sectorSize - 1) / m_sectorSize;
  std::vector<Proposal> proposals;
  for (const std::int64_t sector : m_upcaseSectors) {
    const std::uint64_t distance =
        static_cast<std::uint64_t>(set.m_firstSector > sector ? set.m_firstSector - sector : sector - set.m_firstSector);
    if (distance < upcaseSectors || distance == 0) continue;
    const std::uint64_t limit = std::min<std::uint64_t>(distance & (~distance + 1), set.m_greatestCluster);
    bool built = false;
    for (std::uint64_t c = set.m_leastCluster; c != 0 && c <= limit && !built; c <<= 1) {
      if (distance % c != 0) continue;
      const std::int64_t offset = SectorOf(0, c, upcase);
      if (offset < 0 || offset > sector) continue;
      const std::int64_t heapStart = sector - offset;
      if (heapStart > set.m_firstSector) continue;
      const std::uint64_t root = static_cast<std::uint64_t>(set.m_firstSector - heapStart) / c + 2;
      if (root >= set.m_lowestCluster) continue;
      built = BuildPartionByRoot(heapStart, c, set.m_clusterCount, static_cast<std::uint32_t>(root), proposals);
    }
    if (built) break;
  }
  UpdatePartitionList(proposals, set);
}

void CPartitionBuilder::BuildFromRoot(CFileSet& set) {
  if (set.m_lowestCluster < 2 || set.m_lowestCluster > kLastCluster) return;
  std::vector<Proposal> proposals;
  bool built = false;
  for (std::uint32_t root = set.m_rootEstimate; root < set.m_lowestCluster && !built; ++root) {
    for (std::uint64_t c = set.m_leastCluster; c != 0 && c <= set.m_greatestCluster && !built; c <<= 1) {
      const std::int64_t offset = SectorOf(0, c, root);
      if (offset < 0 || offset > set.m_firstSector) break;
      built = BuildPartionByRoot(set.m_firstSector - offset, c, set.m_clusterCount, root, proposals);
    }
  }
  UpdatePartitionList(proposals, set);
}

bool CPartitionBuilder::BuildPartionByRoot(std::int64_t heapStart, std::uint64_t clusterSize, std::uint64_t clusters,
                                           std::uint32_t rootCluster, std::vector<Proposal>& proposals) {
  const auto perCluster = static_cast<std::uint32_t>(clusterSize);
  if (CExFatPartitionEx* existing = Find(heapStart, perCluster)) {
    if (existing->m_rootCluster != rootCluster) return false;
    existing->m_flags |= CExFatPartitionEx::kFromRoot;
    proposals.clear();
    proposals.push_back(Proposal{existing, nullptr});
    return true;
  }
  auto fresh = NewCandidate(heapStart, perCluster, CExFatPartitionEx::kFromRoot);
  const std::uint64_t product = clusterSize * clusters;
  if (product != 0) fresh->m_totalSectors = std::min(product, fresh->m_totalSectors);
  if (clusters != 0) fresh->m_clusterLimit = static_cast<std::uint32_t>(std::min<std::uint64_t>(clusters + 2, 0xFFFFFFFFull));
  fresh->m_rootCluster = rootCluster;
  proposals.push_back(Proposal{nullptr, std::move(fresh)});
  return true;
}

void CPartitionBuilder::BuildFromAllocBackWard(CFileSet& set) {
  if (set.m_lowestCluster < 3 || set.m_lowestCluster > kLastCluster) return;
  for (std::uint64_t c = set.m_leastCluster; c != 0 && c <= set.m_greatestCluster; c <<= 1) {
    if (set.m_sectorCount > c) continue;
    const std::int64_t offset = SectorOf(0, c, set.m_lowestCluster - 1);
    if (offset < 0 || offset > set.m_firstSector) break;
    const std::int64_t heapStart = set.m_firstSector - offset;
    const std::int64_t highest = SectorOf(heapStart, c, set.m_highestCluster);
    if (highest < 0 || static_cast<std::uint64_t>(highest) > m_totalSectors) break;
    const auto perCluster = static_cast<std::uint32_t>(c);
    if (CExFatPartitionEx* existing = Find(heapStart, perCluster)) {
      Match(*existing, set, 1);
      existing->m_flags |= CExFatPartitionEx::kBackward;
      return;
    }
    SpillPartition();
    auto fresh = NewCandidate(heapStart, perCluster, CExFatPartitionEx::kBackward);
    Match(*fresh, set, 1);
    Insert(std::move(fresh));
  }
  Sort();
}

void CPartitionBuilder::UpdatePartitionList(std::vector<Proposal>& proposals, CFileSet& set) {
  SpillPartition();
  for (Proposal& proposal : proposals) {
    CExFatPartitionEx* candidate = proposal.fresh ? proposal.fresh.get() : proposal.candidate;
    if (candidate == nullptr || candidate->HasMatched(&set)) continue;
    Match(*candidate, set, 1);
    std::vector<CFileSet*> reached;
    const std::uint32_t score = CheckTree(set, candidate->m_heapStart, candidate->m_sectorsPerCluster, reached, 1, candidate);
    if (score > 0)
      for (CFileSet* member : reached) Match(*candidate, *member, score);
    if (proposal.fresh && Find(candidate->m_heapStart, candidate->m_sectorsPerCluster) == nullptr)
      Insert(std::move(proposal.fresh));
  }
  Sort();
}

void CPartitionBuilder::FinishBuildFromTree() {
  while (m_taken < m_sets.size()) BuildFromTree(m_taken++);
}

void CPartitionBuilder::UpdatePartitionMatched(CExFatPartitionEx& candidate, CFileSet& set) {
  if (!candidate.IsClusterFisrtSector(set.m_firstSector) || set.Has(CFileSet::kAbridged) || candidate.HasMatched(&set))
    return;
  std::vector<CFileSet*> reached;
  const std::uint32_t score = CheckTree(set, candidate.m_heapStart, candidate.m_sectorsPerCluster, reached, 1, &candidate);
  if (score > 0) {
    candidate.InsertMathedFileSet(&set, score);
    for (CFileSet* member : reached) candidate.InsertMathedFileSet(member, score);
  } else if (candidate.SimpleCheck(set)) {
    candidate.InsertMathedFileSet(&set, 1);
  }
}

void CPartitionBuilder::WinnowPartition(IStorageDevice* device) {
  m_byKey.clear();
  Sort();
  std::vector<std::unique_ptr<CExFatPartitionEx>> list = std::move(m_list);
  m_list.clear();
  for (auto& owned : list) {
    CExFatPartitionEx& candidate = *owned;
    const bool lost = std::any_of(candidate.m_matched.begin(), candidate.m_matched.end(),
                                  [](const CFileSet* set) { return set->m_claimed; });
    if (candidate.m_matched.size() > m_sets.size() || lost) continue;
    candidate.ClearMatches();
    for (const auto& ownedSet : m_sets) {
      CFileSet& set = *ownedSet;
      if (set.m_claimed || !set.AdmitsClusterSize(candidate.m_sectorsPerCluster) || !candidate.IsFileSetInPartition(set))
        continue;
      candidate.AddDataSector(set.m_firstSector);
      UpdatePartitionMatched(candidate, set);
    }
    for (const auto& ownedSet : m_sets) {
      CFileSet& set = *ownedSet;
      if (set.m_claimed || !set.IsRoot() || set.m_firstSector < candidate.m_heapStart) continue;
      const std::uint32_t cluster = candidate.ClusterOf(set.m_firstSector);
      if (!candidate.IsClusterFisrtSector(set.m_firstSector) && set.m_firstSector != candidate.m_heapStart) continue;
      if (candidate.m_rootCluster != CExFatPartitionEx::kNoRoot && candidate.m_rootCluster != cluster) continue;
      candidate.m_rootCluster = cluster;
      candidate.m_bitmapCluster = set.m_bitmapCluster;
      candidate.m_bitmapLength = set.m_bitmapLength;
      candidate.InsertMathedFileSet(&set, 1);
      if (std::find(candidate.m_alignedData.begin(), candidate.m_alignedData.end(), set.m_firstSector) ==
          candidate.m_alignedData.end())
        candidate.m_alignedData.push_back(set.m_firstSector);
    }
    if (candidate.IsNoDataScaned()) continue;
    std::sort(candidate.m_alignedData.begin(), candidate.m_alignedData.end());
    const std::int64_t first = candidate.m_alignedData.front();
    const std::int64_t last = candidate.m_alignedData.back();
    for (const CFileSet* set : candidate.m_matched)
      if (set->m_firstSector >= first && set->m_firstSector <= last) const_cast<CFileSet*>(set)->m_claimed = true;
    m_final.push_back(std::move(owned));
  }
  // Only after every tree had its pieces: an old format's folders lying inside a newer volume go to the
  // geometry their own tree gives.
  for (auto& settled : m_final) AdoptOrphanSets(*settled, device);
}

void CPartitionBuilder::AdoptOrphanSets(CExFatPartitionEx& candidate, IStorageDevice* device) {
  if ((candidate.m_flags & (CExFatPartitionEx::kMainBoot | CExFatPartitionEx::kBackupBoot)) == 0) return;
  const std::uint32_t clusterBytes = candidate.m_sectorsPerCluster * m_sectorSize;
  CAllocationBitmap bitmap;
  if (candidate.m_bitmapCluster >= 2)
    bitmap.Create(device, candidate.ConvertClusterNumToSector(candidate.m_bitmapCluster), candidate.m_bitmapLength);
  // With the root's bitmap at hand, the files must lie in clusters it gives out; without it, only fit the volume.
  const auto allocated = [&bitmap](const CFileSet& set) {
    return !bitmap.IsKnown() ||
           std::all_of(set.m_files.begin(), set.m_files.end(), [&bitmap](const _tagFileBaseInfo& file) {
             return (file.firstCluster == 0 && file.dataLength == 0) || bitmap.IsAllocated(file.firstCluster) == true;
           });
  };
  for (const auto& ownedSet : m_sets) {
    CFileSet& set = *ownedSet;
    if (set.m_claimed || set.IsRoot() || !set.HasFiles() || !set.AdmitsClusterSize(candidate.m_sectorsPerCluster) ||
        !candidate.IsFileSetInPartition(set) || !FilesFit(set, candidate.m_clusterLimit, clusterBytes) ||
        ClustersCollide(set, clusterBytes) || !allocated(set))
      continue;
    candidate.InsertMathedFileSet(&set, 1);
    set.m_claimed = true;
  }
}

void CPartitionBuilder::SimpleBuild() {
  for (std::size_t index = 0; index < m_sets.size(); ++index) {
    CFileSet& set = *m_sets[index];
    if (set.m_claimed) continue;
    if (!set.Has(CFileSet::kAbridged)) BuildFromAllocBackWard(set);
    if (!set.HasFolders()) continue;
    const auto position = static_cast<std::ptrdiff_t>(index);
    const std::ptrdiff_t from = std::max<std::ptrdiff_t>(position - kSimpleBack, 0);
    const std::ptrdiff_t to =
        std::min<std::ptrdiff_t>(position + kSimpleAhead, static_cast<std::ptrdiff_t>(m_sets.size()) - 1);
    for (std::ptrdiff_t i = from; i <= to; ++i) {
      CFileSet& other = *m_sets[static_cast<std::size_t>(i)];
      if (&other != &set && !other.Has(CFileSet::kAbridged)) BuildFromTree(set, other, kSimpleMinimum);
    }
  }
  for (auto& owned : m_list)
    if (!owned->m_matched.empty()) {
      for (const CFileSet* set : owned->m_matched) owned->AddDataSector(set->m_firstSector);
      m_final.push_back(std::move(owned));
    }
  m_list.clear();
  m_byKey.clear();
}

void CPartitionBuilder::RemovePartionBeCoveredByOther(std::vector<std::unique_ptr<CExFatPartitionEx>>& out) {
  std::stable_sort(m_final.begin(), m_final.end(),
                   [](const auto& a, const auto& b) { return CExFatPartitionGreater(a.get(), b.get()); });
  std::deque<std::unique_ptr<CExFatPartitionEx>> left(std::make_move_iterator(m_final.begin()),
                                                      std::make_move_iterator(m_final.end()));
  m_final.clear();
  while (!left.empty()) {
    std::unique_ptr<CExFatPartitionEx> best = std::move(left.front());
    left.pop_front();
    std::erase_if(left, [&best](const auto& other) { return IsCover(best->m_marks, other->m_marks); });
    best->CalcPartitionParam(m_sectorSize);
    m_settled.push_back(best.get());
    out.push_back(std::move(best));
  }
}

void CPartitionBuilder::FinishBuid(std::vector<std::unique_ptr<CExFatPartitionEx>>& out, IStorageDevice* device) {
  FinishBuildFromTree();
  for (auto& set : m_sets) set->m_flags &= ~CFileSet::kMatched;
  WinnowPartition(device);
  SimpleBuild();
  RemovePartionBeCoveredByOther(out);
}
