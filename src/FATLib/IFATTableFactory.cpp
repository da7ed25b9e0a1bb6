#include "FATLib/IFATTableFactory.h"

#include <memory>

#include "FATLib/CDoubleFATTable.h"
#include "FATLib/CFAT12Table.h"
#include "FATLib/CFAT16Table.h"
#include "FATLib/CFAT32Table.h"

IRealFATTable* IFATTableFactory::CreateRealFATTable(IStorageDevice* device, enumFILE_SYSTEM_TYPE type,
                                                    std::int64_t startSector, std::uint32_t sectorsPerFat,
                                                    std::int64_t otherCopy) {
  std::unique_ptr<IRealFATTable> table;
  switch (type) {
    case FILE_SYSTEM_FAT32:
      table = std::make_unique<CFAT32Table>(device, startSector, sectorsPerFat);
      break;
    case FILE_SYSTEM_FAT16:
      table = std::make_unique<CFAT16Table>(device, startSector, sectorsPerFat);
      break;
    case FILE_SYSTEM_FAT12:
      table = std::make_unique<CFAT12Table>(device, startSector, sectorsPerFat);
      break;
    default:
      return nullptr;
  }
  table->FillUnreadableFrom(otherCopy);
  return table->IsValidFATTable() ? table.release() : nullptr;
}

IFATTable* IFATTableFactory::CreateFATTable(IStorageDevice* device, std::int64_t firstFatSector,
                                            enumFILE_SYSTEM_TYPE type, std::uint32_t sectorsPerFat, int firstCopyFound,
                                            int secondCopyFound) {
  std::unique_ptr<IRealFATTable> first;
  std::unique_ptr<IRealFATTable> second;
  const std::int64_t secondFatSector = firstFatSector + sectorsPerFat;
  const bool both = firstCopyFound != 0 && secondCopyFound != 0;
  if (firstCopyFound != 0 || secondCopyFound == 0)
    first.reset(CreateRealFATTable(device, type, firstFatSector, sectorsPerFat, both ? secondFatSector : -1));
  if (secondCopyFound != 0 && !first)
    second.reset(CreateRealFATTable(device, type, secondFatSector, sectorsPerFat, both ? firstFatSector : -1));
  return new CDoubleFATTable(std::move(first), std::move(second));
}

void IFATTableFactory::DestroyFATTable(IFATTable* table) { delete table; }
