#pragma once
// The first look the complete FAT search gives every sector: the boot sector, the first sector of a FAT and a
// directory sector (its first entry a long-name part, one with the label bit, or a named entry) each need a few
// bytes that most sectors do not have.

#include "Utility/SectorGate.h"

namespace quellsy::fatsearch {

const SectorGate& FATSectorGate();

}  // namespace quellsy::fatsearch
