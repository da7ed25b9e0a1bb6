#pragma once
// The scan's progress sink as the HFS+ quick search sees it: one record whose total the search sets and
// whose count each handed-over node raises. A silent adapter (the complete search's) only relays the
// question whether to go on; a loud one reports every step and, when it goes, the end.

#include <memory>

#include "include/IProgress.h"

class CHFSPlusQuickFileSystemSearchProgress : public IProgress {
 public:
  CHFSPlusQuickFileSystemSearchProgress(IProgress* sink, bool silent);
  ~CHFSPlusQuickFileSystemSearchProgress() override;
  CHFSPlusQuickFileSystemSearchProgress(const CHFSPlusQuickFileSystemSearchProgress&) = delete;
  CHFSPlusQuickFileSystemSearchProgress& operator=(const CHFSPlusQuickFileSystemSearchProgress&) = delete;

  // One step: the count goes up by one and, unless silent, the record goes to the sink.
  void UpdateProgress();
  void UpdateProgress(_PROGRESS_INFO* info) override;
  int Continued() override;
  int shouldBuild() override;
  bool IsContinued() { return Continued() != 0; }

  void SetTotal(std::uint64_t total) { info_->total = total; }
  // The result the end report carries (a volume that could not be opened).
  void SetResult(unsigned long long result) { info_->result = result; }
  // Counting starts again from 0 (the nodes handed over after the journal walk's finds).
  void RestartCount() { info_->current = 0; }
  const _PROGRESS_INFO& Info() const { return *info_; }

 private:
  IProgress* sink_;
  std::unique_ptr<_PROGRESS_INFO> info_;
  bool silent_;
};
