#include "HFSPlus/HFSPlusLib/HFSPlusForkExtents.h"

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"

namespace quellsy::hfsplus {

ResultCode ForEachForkExtent(CHFSPlusVolume& volume, std::uint32_t fileID, std::uint8_t forkType,
                             const HFSPlusForkData& fork,
                             const std::function<bool(const HFSPlusExtentDescriptor&)>& visit) {
  std::uint32_t remaining = fork.totalBlocks;
  std::uint32_t chained = 0;
  HFSPlusExtentRecord record = fork.extents;
  // Every overflow record must add at least one block, so the walk ends within totalBlocks rounds.
  for (bool fromFork = true; remaining > 0; fromFork = false) {
    std::uint32_t added = 0;
    for (const auto& extent : record) {
      const std::uint32_t take = std::min(extent.blockCount, remaining);
      if (take == 0) continue;
      if (!visit({extent.startBlock, take})) return kResultOk;
      remaining -= take;
      chained += take;
      added += take;
      if (remaining == 0) return kResultOk;
    }
    if (fileID == kExtentsFileID || (added == 0 && !fromFork)) return HFS_FAILURE(hfserror::kInvalid);
    HFSPlusExtentKey key;
    key.forkType = forkType;
    key.fileID = fileID;
    key.startBlock = chained;
    HFSPlusSearchResult result;
    std::optional<BTRecord> found;
    const ResultCode code = volume.Search(kExtentsFileID, BTKey{key}, result, &found);
    if (code != kResultOk) return code;
    // Records the live tree lost may still be among the deleted ones the journal gave back.
    if (result.found == 0) volume.FindDeleteExtent(key, result, &found);
    const auto* next = found ? std::get_if<HFSPlusExtentRecord>(&*found) : nullptr;
    if (result.found == 0 || next == nullptr) return HFS_FAILURE(hfserror::kInvalid);
    record = *next;
  }
  return kResultOk;
}

}  // namespace quellsy::hfsplus
