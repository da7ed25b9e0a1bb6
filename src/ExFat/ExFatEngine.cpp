#include "ExFat/ExFatEngine.h"

#include "ExFat/CExFatCompleteSearch.h"
#include "ExFat/CExFatQuickSearch.h"
#include "ExFat/CExFatVolumeAnalyer.h"
#include "ExFat/ExFatErrors.h"
#include "include/EngineRegistry.h"

void RegisterExFatEngine() {
  quellsy::RegisterResultWords(quellsy::exfat::kResultWords);
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.RegisterVolumeAnalyzer(quellsy::VolumeProbe::kExfat, [](IStorageDevice* device, unsigned long long first) {
    return CreateExfatVolumeAnalyze(device, first);
  });
  registry.RegisterQuickSearcher(FILE_SYSTEM_EXFAT, [] { return CreateEXFatQuickSearcher(); });
  registry.RegisterCompleteSearcher(SEARCHER_EXFAT, [] { return CreateEXFatSearcher(); });
}
