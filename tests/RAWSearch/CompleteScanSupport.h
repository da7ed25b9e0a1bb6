#pragma once
// Runs a real complete scan for signature-search tests: every built-in engine, the complete controller with
// its read-ahead device and the directory-tree builder, with a filter that shows every found file.

#include <memory>

#include "Engines/BuiltInEngines.h"
#include "RawSearchTestSupport.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryFilter/RecoveryFilter.h"
#include "include/EngineRegistry.h"
#include "include/IRecoveryController.h"

namespace quellsy::test {

struct ControllerDeleter {
  void operator()(IRecoveryController* controller) const { controller->Release(); }
};
using ScanController = std::unique_ptr<IRecoveryController, ControllerDeleter>;

// The nodes handed to sink stay valid as long as the returned controller; result gets the scan's result code.
inline ScanController RunCompleteScan(IStorageDevice& device, IDrirectoryTree& sink, unsigned long long& result) {
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  IRecoveryFilter* filter = CreateFilter();
  filter->SetScanType(SCAN_TYPE_DEEP);
  filter->SetFilterTypes(FILTER_TYPE_ALL);
  ScanController controller(CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_VOLUME));
  result = ~0ULL;
  if (controller && controller->Initialize(filter) == 1) {
    ScriptedProgress progress;
    result = controller->StartDataRecovery(&device, &progress, &sink);
  }
  EngineRegistry::Instance().Reset();
  return controller;
}

}  // namespace quellsy::test
