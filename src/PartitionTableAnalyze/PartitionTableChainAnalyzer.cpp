#include "PartitionTableAnalyze/PartitionTableChainAnalyzer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "PartitionTableAnalyze/DiskSectors.h"
#include "PartitionTableAnalyze/PartitionTableErrors.h"

using namespace quellsy;
using namespace quellsy::partition_table;

namespace {

constexpr std::size_t kSlotsOffset = 446;

}  // namespace

ResultCode CPartitionTableChainAnalyzer::Analyze(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  if (!disk) return kNullDevice;
  disk_ = disk;
  diskSectors_ = static_cast<std::uint64_t>(std::max(disk->GetTotalSectors(), 0LL));
  nextLogicalIndex_ = 5;
  visited_ = {0};

  CPartitionTableEntry slots[4];
  if (const auto result = ReadTable(0, slots, kMbrBadSignature); result != kResultOk) return result;
  for (int k = 0; k < 4; ++k) {
    const CPartitionTableEntry& slot = slots[k];
    if (!slot.IsValidPartitionTableEntry()) continue;
    if (slot.IsExtenedPartition()) {
      if (const auto result = WalkChain(slot.GetLeadSectors(), out); result != kResultOk) return result;
    } else {
      AddPartition(k + 1, slot.GetLeadSectors(), slot.GetTotalSectors(), out);
    }
  }
  return kResultOk;
}

ResultCode CPartitionTableChainAnalyzer::ReadTable(std::uint64_t sector, CPartitionTableEntry (&slots)[4],
                                                   ResultCode badTable) {
  std::vector<std::uint8_t> bytes;
  if (const auto result = ReadSectors(disk_, sector, 1, bytes); result != kResultOk) return result;
  const ByteSpan table(bytes);
  if (u8(table, 510) != 0x55 || u8(table, 511) != 0xAA) return badTable;
  for (int k = 0; k < 4; ++k) {
    slots[k].InitFromBuffer(table.subspan(kSlotsOffset + CPartitionTableEntry::kSize * k));
    if (slots[k].GetStatus() != 0x00 && slots[k].GetStatus() != 0x80) return badTable;
  }
  return kResultOk;
}

ResultCode CPartitionTableChainAnalyzer::WalkChain(std::uint64_t base, std::list<PartitionEntry>& out) {
  std::optional<std::uint64_t> ebr = base;
  // Each EBR is read once: a chain that links back to one already seen ends there.
  while (ebr && visited_.size() <= kMaxChainLength && visited_.insert(*ebr).second) {
    if (*ebr >= diskSectors_) return kEbrOutsideDisk;
    const std::uint64_t here = *ebr;
    CPartitionTableEntry slots[4];
    if (const auto result = ReadTable(here, slots, kEbrBadSignature); result != kResultOk) return result;
    ebr.reset();
    for (const CPartitionTableEntry& slot : slots) {
      if (!slot.IsValidPartitionTableEntry()) continue;
      const std::uint64_t start = here + slot.GetLeadSectors();
      const bool known = std::any_of(out.begin(), out.end(), [start](const PartitionEntry& e) { return e.startSector == start; });
      if (known) break;
      if (slot.IsExtenedPartition()) {
        if (ebr) return kEbrTwoLinks;
        ebr = base + slot.GetLeadSectors();
      } else {
        AddPartition(nextLogicalIndex_++, start, slot.GetTotalSectors(), out);
      }
    }
  }
  return kResultOk;
}

void CPartitionTableChainAnalyzer::AddPartition(std::int32_t index, std::uint64_t start, std::uint32_t count,
                                                std::list<PartitionEntry>& out) const {
  const auto onDisk = CountOnDisk(start, count, diskSectors_);
  if (!onDisk) return;
  PartitionEntry entry;
  entry.index = index;
  entry.startSector = start;
  entry.sectorCount = *onDisk;
  out.push_back(entry);
}
