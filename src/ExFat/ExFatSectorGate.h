#pragma once
// The first look the complete exFAT search gives every sector: the start of the up-case table, a boot sector, the
// start of a FAT and a directory sector (its first entry of a type the entry analysis takes up) each need a few
// bytes that most sectors do not have.

#include "Utility/SectorGate.h"

namespace exfat {

const quellsy::SectorGate& ExFatSectorGate();

}  // namespace exfat
