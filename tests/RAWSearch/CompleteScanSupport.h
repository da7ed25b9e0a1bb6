#pragma once
// Runs a real complete scan for signature-search tests: every built-in engine, the complete controller with
// its read-ahead device and the directory-tree builder, with a filter that shows every found file.

#include <map>
#include <memory>
#include <string>

#include "Engines/BuiltInEngines.h"
#include "RawSearchTestSupport.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryFilter/RecoveryFilter.h"
#include "include/EngineRegistry.h"
#include "include/IDataRecovery.h"
#include "include/IDataRunList.h"
#include "include/IRecoveryController.h"
#include "support/RecordingTreeSink.h"

namespace quellsy::test {

struct ControllerDeleter {
  void operator()(IRecoveryController* controller) const { controller->Release(); }
};
using ScanController = std::unique_ptr<IRecoveryController, ControllerDeleter>;

struct RecoveryDeleter {
  void operator()(IDataRecovery* recovery) const { recovery->Release(); }
};

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

// The delivered files by the sector their data start at. With signatureTreesOnly, only files under the
// signature search's type and label trees (folders named "... RAW Files)") count.
inline std::map<long long, IFileNode*> FilesByStartSector(const RecordingTreeSink& sink, bool signatureTreesOnly) {
  std::map<long long, IFileNode*> found;
  for (IFileNode* node : sink.Delivered()) {
    if (node->IsDirectory() || !node->GetDataRunList()) continue;
    const DataRun* run = node->GetDataRunList()->GetFirst();
    if (run == nullptr) continue;
    if (signatureTreesOnly && RecordingTreeSink::PathOf(node).find("RAW Files)") == std::string::npos) continue;
    found[run->lcn] = node;
  }
  return found;
}

// A complete scan's signature-search files by the sector their data start at, with the recovery that copies
// them out; the nodes stay valid as long as the scan.
struct SignatureScan {
  ScanController controller;
  unsigned long long result = ~0ULL;
  std::map<long long, IFileNode*> found;
  std::unique_ptr<IDataRecovery, RecoveryDeleter> recovery;
};

inline SignatureScan ScanForSignatureFiles(IStorageDevice& device, RecordingTreeSink& sink) {
  SignatureScan scan;
  scan.controller = RunCompleteScan(device, sink, scan.result);
  scan.found = FilesByStartSector(sink, true);
  if (scan.controller) scan.recovery.reset(scan.controller->GetDataRecovery(SEARCHER_RAW));
  return scan;
}

}  // namespace quellsy::test
