#include "FATSearch/FATSearchEngine.h"

#include "FATSearch/CFATCompleteFSearcher.h"
#include "FATSearch/CFATQuickSearcher.h"
#include "FATSearch/FATSearchErrors.h"
#include "include/EngineRegistry.h"

void RegisterFATSearchEngine() {
  quellsy::RegisterResultWords(quellsy::fatsearch::kResultWords);
  auto& registry = quellsy::EngineRegistry::Instance();
  // FAT12 volumes reach the quick searcher too, which refuses them with its own code.
  for (const enumFILE_SYSTEM_TYPE type : {FILE_SYSTEM_FAT12, FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32})
    registry.RegisterQuickSearcher(type, [] { return CreateFATQuickSearcher(); });
  registry.RegisterCompleteSearcher(SEARCHER_FAT, [] { return CreateFATSearcher(); });
}
