#include "APFS/APFSEngine.h"

#include "APFS/APFSRecognize.h"
#include "include/EngineRegistry.h"

void RegisterAPFSEngine() {
  quellsy::EngineRegistry::Instance().RegisterVolumeAnalyzer(
      quellsy::VolumeProbe::kApfs,
      [](IStorageDevice* device, unsigned long long firstSector) { return CreateAPFSVolumeAnalyze(device, firstSector); });
}
