#pragma once
// A progress sink for quick-search fuzz targets: aborts on a report whose done count passes its total, and
// remembers whether the last report said "finished".

#include <cstdlib>

#include "include/IProgress.h"

class FuzzFinishingProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO* info) override {
    if (info->current > info->total) std::abort();
    finished = info->status == PROGRESS_STATUS_FINISHED;
  }
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }

  bool finished = false;
};
