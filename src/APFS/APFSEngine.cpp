#include "APFS/APFSEngine.h"

#include "APFS/APFSDeepScan.h"
#include "APFS/APFSRecognize.h"
#include "include/EngineRegistry.h"

void RegisterAPFSEngine() {
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.RegisterVolumeAnalyzer(quellsy::VolumeProbe::kApfs, [](IStorageDevice* device, unsigned long long firstSector) {
    return CreateAPFSVolumeAnalyze(device, firstSector);
  });
  registry.RegisterCompleteSearcher(SEARCHER_APFS, [] { return CreateAPFSDeepSearcher(); });
}
