// How data recovery picks the partition record a node is read with.

#include <algorithm>
#include <cmath>

#include "DataRecovery/DataRecovery.h"
#include "include/FileNode.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

constexpr std::uint16_t kNoPartitionIndex = 0xFFFF;
// A run list longer than this is looping or damaged.
constexpr int kMaxRunSteps = 1 << 24;

// Calls visit for each run of the node's list (bounded); false when there is no list or visit refused a run.
template <typename Visit>
bool EachRun(CFileNode* node, Visit visit) {
  IDataRunList* runs = node != nullptr ? node->GetDataRunList() : nullptr;
  if (runs == nullptr) return false;
  int steps = 0;
  for (DataRun* run = runs->GetFirst(); run != nullptr && steps < kMaxRunSteps; run = runs->GetNext(), ++steps)
    if (!visit(*run)) return false;
  return true;
}

}  // namespace

bool CDataRecovery::IsMetaDataInRange(CSearchedPartitionInfo* record, CFileNode* node) {
  if (record == nullptr || node == nullptr) return false;
  const long long metadata = node->GetMetadataStartPosition();
  const long long first = record->GetStartSector();
  const auto count = static_cast<long long>(std::min<std::uint64_t>(record->GetTotalSectors(), 1ull << 62));
  return first < metadata && metadata - first < count;
}

bool CDataRecovery::IsDataRunInRange(const DataRun& run, CSearchedPartitionInfo* record) {
  if (record == nullptr) return false;
  if (run.lcn < 0) return true;
  const long long perCluster = record->GetSectorsPerCluster();
  const long long origin = record->GetClusterOrigin();
  long long first = 0;
  long long end = 0;
  if (__builtin_mul_overflow(run.lcn, perCluster, &first) || __builtin_add_overflow(first, origin, &first) ||
      __builtin_add_overflow(run.lcn, run.length, &end) || __builtin_mul_overflow(end, perCluster, &end) ||
      __builtin_add_overflow(end, origin, &end))
    return false;
  const long long start = record->GetStartSector();
  const auto sectors = static_cast<long long>(std::min<std::uint64_t>(record->GetTotalSectors(), 1ull << 62));
  long long limit = 0;
  if (__builtin_add_overflow(start, sectors, &limit)) return false;
  return first >= start && end - 1 <= limit;
}

bool CDataRecovery::IsDataRunListInRange(CSearchedPartitionInfo* record, CFileNode* node) {
  return EachRun(node, [record](const DataRun& run) { return IsDataRunInRange(run, record); });
}

bool CDataRecovery::IsClusterSuit(unsigned int sectorsPerCluster, CFileNode* node) {
  if (sectorsPerCluster % 2 != 0) return false;
  double clusters = 0;
  if (!EachRun(node, [&clusters](const DataRun& run) {
        clusters += static_cast<double>(run.length);
        return true;
      }) ||
      clusters < 2)
    return true;
  const double estimate = std::ceil(static_cast<double>(node->GetFileSize()) / clusters / 512.0);
  unsigned int fitting = 0;
  for (unsigned int power = 2; power <= (1u << 24); power <<= 1) {
    if (power / 2.0 < estimate && estimate <= power) {
      fitting = power;
      break;
    }
  }
  return fitting == sectorsPerCluster;
}

bool CDataRecovery::PartitionInfoCompare(CSearchedPartitionInfo* a, CSearchedPartitionInfo* b) {
  if (a == nullptr) return false;
  if (b == nullptr) return true;
  return a->GetOrderKey() > b->GetOrderKey();
}

CSearchedPartitionInfo* CDataRecovery::GetNodePartition(CFileNode* node) {
  if (node == nullptr || m_records.empty()) return nullptr;
  if (m_records.size() == 1 || m_partitionCount == 0) return m_records.front();
  const std::size_t count = std::min<std::size_t>(m_partitionCount, m_records.size());
  // A node without a partition index must not pick a record that has none either.
  const std::uint16_t index = node->GetBelongedPartition();
  if (index != kNoPartitionIndex) {
    for (std::size_t i = 0; i < count; ++i)
      if (m_records[i] != nullptr && m_records[i]->GetPartitionIndex() == index) return m_records[i];
  }
  for (std::size_t i = 0; i < count; ++i) {
    CSearchedPartitionInfo* record = m_records[i];
    if (record != nullptr && IsMetaDataInRange(record, node) && IsDataRunListInRange(record, node) &&
        IsClusterSuit(record->GetSectorsPerCluster(), node))
      return record;
  }
  return m_records.front();
}
