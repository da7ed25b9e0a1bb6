#include "FATLib/CFATTableAnalyser.h"

#include "FATLib/CFAT16Table.h"
#include "FATLib/CFAT32Table.h"

bool CFATTableAnalyser::IsUsedCluster(std::int64_t value) { return value >= 2 && value <= 0x0FFFFFEF; }

bool CFATTableAnalyser::IsValidFATTableFirstSector(quellsy::ByteSpan sector, enumFILE_SYSTEM_TYPE& type) {
  if (CFAT32Table::CheckFATHeader(sector)) {
    type = FILE_SYSTEM_FAT32;
    return true;
  }
  if (CFAT16Table::CheckFATHeader(sector)) {
    type = FILE_SYSTEM_FAT16;
    return true;
  }
  return false;
}
