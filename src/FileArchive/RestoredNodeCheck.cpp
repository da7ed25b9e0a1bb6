#include "FileArchive/RestoredNodeCheck.h"

#include <algorithm>
#include <string>

#include "DataRecovery/FileReader.h"
#include "include/FileNode.h"
#include "include/IDataRunList.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

namespace SaveRestoreResult {
namespace {

// A run list longer than this is damaged.
constexpr long long kMaxRuns = 1 << 24;

// a x b, or the largest value when that does not fit.
unsigned long long Times(unsigned long long a, unsigned long long b) {
  unsigned long long product = 0;
  return __builtin_mul_overflow(a, b, &product) ? ~0ull : product;
}

}  // namespace

RestoredNodeCheck::RestoredNodeCheck(std::vector<CSearchedPartitionInfo*>& records, IStorageDevice* device)
    : device_(device) {
  if (device != nullptr) recovery_.Initialize(records, device);
}

std::string RestoredNodeCheck::Refusal(CFileNode& node) {
  if (node.IsDirectory() != 0) return {};
  const long long size = node.GetFileSize();
  if (size < 0) return "a negative size";
  if (size == 0) return {};
  if (device_ == nullptr) return "no device to read it from";
  CSearchedPartitionInfo* record = recovery_.GetNodePartition(&node);
  if (record == nullptr) return "no partition record";
  const long long deviceSectors = device_->GetTotalSectors();
  const unsigned long long sectorBytes = device_->GetSectorSize() != 0 ? device_->GetSectorSize() : 512;
  const long long start = record->GetStartSector();
  if (start < 0 || start >= deviceSectors) return "a partition outside the device";
  // The partition as far as the device holds it. A record without a size (an exFAT quick scan's gives 0 sectors)
  // reaches to the device's end.
  const bool sized = record->GetTotalSectors() != 0;
  const std::uint64_t sectors = sized ? record->GetTotalSectors() : static_cast<std::uint64_t>(deviceSectors - start);
  const auto end = static_cast<long long>(
      std::min<unsigned long long>(static_cast<unsigned long long>(start) + std::min<std::uint64_t>(sectors, 1ull << 62),
                                   static_cast<unsigned long long>(deviceSectors)));
  const unsigned long long partitionBytes = Times(static_cast<unsigned long long>(end - start), sectorBytes);

  IDataRunList* runs = node.GetDataRunList();
  if (runs != nullptr && runs->IsResident() != 0) {
    return static_cast<unsigned long long>(size) <= CFileReader::kMaxResidentBytes ? std::string()
                                                                                   : "a size past its file record";
  }
  const unsigned long long clusterBytes = Times(record->GetSectorsPerCluster(), sectorBytes);
  // Sparse runs read nothing: only they may make a file larger than its partition.
  unsigned long long bound = partitionBytes;
  long long steps = 0;
  for (DataRun* run = runs != nullptr ? runs->GetFirst() : nullptr; run != nullptr; run = runs->GetNext()) {
    if (++steps > kMaxRuns) return "too many runs";
    if (run->length < 0) return "a run of negative length";
    if (run->lcn < 0) {
      const unsigned long long sparse = Times(static_cast<unsigned long long>(run->length), clusterBytes);
      bound = sparse > ~0ull - bound ? ~0ull : bound + sparse;
      continue;
    }
    long long last = 0;  // the sector after the run
    if ((sized && !CDataRecovery::IsDataRunInRange(*run, record)) ||
        __builtin_add_overflow(run->lcn, run->length, &last) ||
        __builtin_mul_overflow(last, static_cast<long long>(record->GetSectorsPerCluster()), &last) ||
        __builtin_add_overflow(last, record->GetClusterOrigin(), &last) || last > end)
      return "a run outside its partition";
  }
  if (static_cast<unsigned long long>(size) > bound) return "a size past its partition";
  return {};
}

}  // namespace SaveRestoreResult
