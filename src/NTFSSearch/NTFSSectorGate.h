#pragma once
// The first look the complete NTFS search gives every sector: a boot sector, a file record, an index record, a
// log restart page, or a sector of the standard $AttrDef or $UpCase content each start with bytes that most
// sectors do not have.

#include "Utility/SectorGate.h"

namespace quellsy::ntfs {

const SectorGate& NTFSSectorGate();

}  // namespace quellsy::ntfs
