#pragma once
// The progress sink of saving scan results: it keeps the last record for the windows and goes idle when the save
// reports that it finished. A save is never paused or stopped.

#include "Bridge/KDUIOperation.h"

class KDSaveAndRestoreNodeOperate final : public KDUIOperation {
 public:
  static KDSaveAndRestoreNodeOperate* instance();
  // Tests: the next instance() is new.
  static void ResetForTests();

  void UpdateProgress(_PROGRESS_INFO* info) override;
  int Continued() override { return 1; }
};
