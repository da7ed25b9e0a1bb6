#include "FATLib/FATEngine.h"

#include "FATLib/CFatVolumeAnalyze.h"
#include "include/EngineRegistry.h"

void RegisterFATEngine() {
  quellsy::EngineRegistry::Instance().RegisterVolumeAnalyzer(
      quellsy::VolumeProbe::kFat,
      [](IStorageDevice* device, unsigned long long firstSector) { return CreateFatVolumeAnalyze(device, firstSector); });
}
