#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"

CHFSPlusQuickFileSystemSearchProgress::CHFSPlusQuickFileSystemSearchProgress(IProgress* sink, bool silent)
    : sink_(sink), info_(std::make_unique<_PROGRESS_INFO>()), silent_(silent) {
  info_->status = PROGRESS_STATUS_RUNNING;
}

CHFSPlusQuickFileSystemSearchProgress::~CHFSPlusQuickFileSystemSearchProgress() {
  if (silent_ || sink_ == nullptr) return;
  info_->status = PROGRESS_STATUS_FINISHED;
  sink_->UpdateProgress(info_.get());
}

void CHFSPlusQuickFileSystemSearchProgress::UpdateProgress() {
  if (silent_) return;
  ++info_->current;
  if (sink_ != nullptr) sink_->UpdateProgress(info_.get());
}

void CHFSPlusQuickFileSystemSearchProgress::UpdateProgress(_PROGRESS_INFO* info) {
  if (!silent_ && sink_ != nullptr) sink_->UpdateProgress(info);
}

int CHFSPlusQuickFileSystemSearchProgress::Continued() { return sink_ == nullptr ? 1 : sink_->Continued(); }

int CHFSPlusQuickFileSystemSearchProgress::shouldBuild() { return sink_ == nullptr ? 1 : sink_->shouldBuild(); }
