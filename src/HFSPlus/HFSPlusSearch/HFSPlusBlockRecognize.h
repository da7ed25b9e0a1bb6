#pragma once
// The tests the complete search puts to every sector: an HFS+ volume header, a journal info block, a journal
// header and the first sector of a B-tree leaf or header node. Each looks only at the bytes it is given.

#include <cstdint>
#include <optional>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "HFSPlus/HFSPlusLib/HFSPlusJournalFormat.h"
#include "Utility/SectorGate.h"

namespace quellsy::hfsplus {

// Looks at the sector in 512-byte pieces: all-zero pieces are passed over, the first other piece that is not
// a valid header ends the look. The header when exactly one piece held one.
std::optional<HFSPlusVolumeHeader> RecogniseVolumeHeader(ByteSpan sector);
// An info block: offset and size multiples of 512, reserved words 0, and 0xDB from byte 180 to the end of a
// sector of at least 181 bytes.
std::optional<JournalInfoBlock> RecogniseJournalInfoBlock(ByteSpan sector);
std::optional<JournalHeader> RecogniseJournalHeader(ByteSpan sector);
// True when the first 14 bytes describe a leaf (height 1) or a header node (height 0) with reserved 0.
bool StartsLeafOrHeaderNode(ByteSpan sector);
// False when none of the four tests above can pass, from a few of the sector's bytes: the search asks this of
// every sector first, and almost none holds any of them.
bool MayHoldRecord(ByteSpan sector);
// The first look before MayHoldRecord, for sectors of sectorSize bytes (at least 512): every sector MayHoldRecord
// says yes to passes it.
SectorGate FirstLookGate(std::uint32_t sectorSize);
// The smallest node size from sectorSize doubling up to 32768 (and within bytes) that makes a valid node; 0.
std::uint32_t FitNodeSize(ByteSpan bytes, std::uint32_t sectorSize);

constexpr std::uint32_t kMaxNodeBytes = 32768;

}  // namespace quellsy::hfsplus
