#include "HFSPlus/HFSPlusSearch/HFSPlusSearchEngine.h"

#include "HFSPlus/HFSPlusSearch/CHFSPlusCompleteFileSystemSearchController.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusQuickFileSystemSearchController.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusVolumeAnalyze.h"
#include "HFSPlus/HFSPlusSearch/RestoredCompressReader.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "include/EngineRegistry.h"

void RegisterHFSPlusSearchEngine() {
  quellsy::RegisterResultWords(quellsy::hfsplus::kResultWords);
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.RegisterQuickSearcher(FILE_SYSTEM_HFSPLUS, [] { return CreateHFSPlusQuickSearcher(); });
  registry.RegisterCompleteSearcher(SEARCHER_HFSPLUS, [] { return CreateHFSPlusSearcher(); });
  registry.RegisterVolumeAnalyzer(quellsy::VolumeProbe::kHfsPlus,
                                  [](IStorageDevice* device, unsigned long long sector) {
                                    return CreateHFSPlusVolumeAnalyze(device, sector);
                                  });
  registry.RegisterCompressedReader(SEARCHER_HFSPLUS, [](CFileNode& node, IStorageDevice* device) {
    return CHFSPlusRestoredCompressReader::Create(node, device);
  });
}
