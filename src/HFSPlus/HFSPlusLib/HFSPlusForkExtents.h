#pragma once
// The extents of one fork in order: the eight of its fork record, then those of the overflow tree.

#include <cstdint>
#include <functional>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "Utility/ResultCode.h"

class CHFSPlusVolume;

namespace quellsy::hfsplus {

// Gives visit each extent (never one of 0 blocks, the last cut to the fork's block count) until the fork's
// totalBlocks are covered or visit answers false. An overflow record missing from the tree is looked for
// among the volume's deleted extents. The extents file's own fork has no overflow: it needing
// more than eight extents is error 6, as is an overflow record that is missing or adds no blocks.
ResultCode ForEachForkExtent(CHFSPlusVolume& volume, std::uint32_t fileID, std::uint8_t forkType,
                             const HFSPlusForkData& fork,
                             const std::function<bool(const HFSPlusExtentDescriptor&)>& visit);

}  // namespace quellsy::hfsplus
