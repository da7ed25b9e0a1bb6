#pragma once
// The MBR and its chain of extended boot records: primary partitions 1-4, then logical partitions
// numbered from 5 in chain order.

#include <list>
#include <set>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "PartitionTableAnalyze/PartitionTableEntry.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

class CPartitionTableChainAnalyzer {
 public:
  // A chain longer than this is damaged; the walk ends there with what it found.
  static constexpr std::size_t kMaxChainLength = 1024;

  // A bad signature or status byte gives error 6 and an empty list; a failure in the chain keeps the
  // partitions found before it.
  quellsy::ResultCode Analyze(IStorageDevice* disk, std::list<PartitionEntry>& out);

 private:
  // Reads the table at `sector` into its four slots; error 6 for a bad signature or status byte.
  quellsy::ResultCode ReadTable(std::uint64_t sector, CPartitionTableEntry (&slots)[4], quellsy::ResultCode badTable);
  // Walks the chain whose first EBR is at `base`, the start of the MBR's extended partition.
  quellsy::ResultCode WalkChain(std::uint64_t base, std::list<PartitionEntry>& out);
  void AddPartition(std::int32_t index, std::uint64_t start, std::uint32_t count, std::list<PartitionEntry>& out) const;

  IStorageDevice* disk_ = nullptr;
  std::uint64_t diskSectors_ = 0;
  std::int32_t nextLogicalIndex_ = 5;
  std::set<std::uint64_t> visited_;
};
