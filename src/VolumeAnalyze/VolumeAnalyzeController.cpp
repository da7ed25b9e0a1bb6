#include "VolumeAnalyze/VolumeAnalyzeController.h"

#include <new>

#include "include/EngineRegistry.h"

CVolumeAnalyzeController::CVolumeAnalyzeController(IStorageDevice* device, unsigned long long firstSector) {
  for (const quellsy::VolumeAnalyzerFactory& factory : quellsy::EngineRegistry::Instance().VolumeAnalyzersInProbeOrder()) {
    std::unique_ptr<IVolumeAnalyze> analyzer(factory(device, firstSector));
    if (analyzer) m_analyzers.push_back(std::move(analyzer));
  }
}

IVolumeAnalyze* CVolumeAnalyzeController::GetVolumeAnzlyzer() {
  for (const auto& analyzer : m_analyzers)
    if (analyzer->GetFileSystemType() != FILE_SYSTEM_UNKNOWN) return analyzer.get();
  return nullptr;
}

IVolumeAnalyzeController* CreateVolumeAnalyzeController(IStorageDevice* device, unsigned long long firstSector) {
  return new (std::nothrow) CVolumeAnalyzeController(device, firstSector);
}
