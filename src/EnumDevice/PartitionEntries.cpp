#include "EnumDevice/PartitionEntries.h"

#include <memory>
#include <vector>

#include "PartitionTableAnalyze/DiskSectors.h"
#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"
#include "PartitionTableAnalyze/PartitionTableEntry.h"

namespace quellsy {

std::list<PartitionEntry> PartitionEntriesOf(IStorageDevice* disk) {
  std::list<PartitionEntry> entries;
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  if (!analyzer) return entries;
  if (analyzer->AnalyzePartitionTable(disk, entries) == kResultOk && entries.empty()) {
    PartitionEntry whole;
    whole.index = -1;
    whole.sectorCount = static_cast<std::uint64_t>(disk->GetTotalSectors());
    entries.push_back(whole);
  }
  return entries;
}

std::set<int> ExtendedSlotsOf(IStorageDevice* disk) {
  std::set<int> slots;
  std::vector<std::uint8_t> sector;
  if (partition_table::ReadSectors(disk, 0, 1, sector) != kResultOk) return slots;
  for (int k = 0; k < 4; ++k)
    if (CPartitionTableEntry(ByteSpan(sector).subspan(446 + CPartitionTableEntry::kSize * k)).IsExtenedPartition())
      slots.insert(k + 1);
  return slots;
}

}  // namespace quellsy
