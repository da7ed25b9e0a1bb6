#include "Bridge/KDUIOperation.h"

KDUIOperation::KDUIOperation() : KDUIOperation(kPauseStep) {}

KDUIOperation::KDUIOperation(std::chrono::milliseconds pauseStep) : pauseStep_(pauseStep) {}

int KDUIOperation::Continued() {
  for (;;) {
    std::uint64_t seen = 0;
    {
      std::lock_guard wake(wakeLock_);
      seen = statusVersion_;
    }
    // Read after the version: a change in between moves the version on, and the wait below returns at once.
    if (GetStatus() != OPERATION_STATUS_PAUSE) break;
    std::unique_lock wake(wakeLock_);
    ++heldWorkers_;
    wake_.notify_all();
    wake_.wait_for(wake, pauseStep_, [&] { return statusVersion_ != seen; });
    --heldWorkers_;
  }
  const int status = GetStatus();
  return status == OPERATION_STATUS_IDLE || status == OPERATION_STATUS_STOP || status == OPERATION_STATUS_EXIT
             ? 0
             : 1;
}

int KDUIOperation::shouldBuild() {
  std::lock_guard guard(lock_);
  return shouldBuildTree_;
}

int KDUIOperation::IsOpTreeFinished() { return 1; }

void KDUIOperation::SetOpTreeFinished(int /*finished*/) {}

int KDUIOperation::GetStatus() const { return status_; }

void KDUIOperation::SetStatus(int status) {
  {
    std::lock_guard guard(lock_);
    status_ = status;
  }
  StatusChanged();
}

void KDUIOperation::StatusChanged() {
  std::lock_guard wake(wakeLock_);
  ++statusVersion_;
  wake_.notify_all();
}

int KDUIOperation::IsNeedUIUpdate() const {
  std::lock_guard guard(lock_);
  return needUIUpdate_;
}

void KDUIOperation::SetNeedUIUpdate(int need) {
  std::lock_guard guard(lock_);
  needUIUpdate_ = need;
}

void KDUIOperation::SetShouldBuildTree(int build) {
  std::lock_guard guard(lock_);
  shouldBuildTree_ = build;
}

_PROGRESS_INFO KDUIOperation::GetProgressInfo() const {
  std::lock_guard guard(lock_);
  return progress_;
}

void KDUIOperation::SetProgressInfo(_PROGRESS_INFO info) {
  std::lock_guard guard(lock_);
  progress_ = info;
}

bool KDUIOperation::IsOperationExit() const {
  const int status = GetStatus();
  return status == OPERATION_STATUS_IDLE || status == OPERATION_STATUS_EXIT;
}

void KDUIOperation::PauseOrResumeOperation() {
  {
    std::lock_guard guard(lock_);
    if (status_ == OPERATION_STATUS_PAUSE)
      status_ = OPERATION_STATUS_RUNNING;
    else if (status_ == OPERATION_STATUS_RUNNING)
      status_ = OPERATION_STATUS_PAUSE;
    else
      return;
  }
  StatusChanged();
}

void KDUIOperation::StopOperation(int noTree) {
  bool changed = false;
  {
    std::lock_guard guard(lock_);
    if (status_ != OPERATION_STATUS_IDLE) {
      status_ = OPERATION_STATUS_STOP;
      shouldBuildTree_ = noTree == 0 ? 1 : 0;
      changed = true;
    }
    needUIUpdate_ = 1;
  }
  if (changed) StatusChanged();
}

std::int64_t KDUIOperation::GetScanElapseTime() const {
  std::lock_guard guard(lock_);
  return lastUpdateTime_ - startTime_;
}

int KDUIOperation::HeldWorkers() const {
  std::lock_guard wake(wakeLock_);
  return heldWorkers_;
}

bool KDUIOperation::WaitForExit(std::chrono::milliseconds limit) const {
  std::unique_lock wake(wakeLock_);
  return wake_.wait_for(wake, limit, [&] { return IsOperationExit(); });
}

bool KDUIOperation::WaitForHeldWorkers(int count, std::chrono::milliseconds limit) const {
  std::unique_lock wake(wakeLock_);
  return wake_.wait_for(wake, limit, [&] { return heldWorkers_ >= count; });
}

void KDUIOperation::SetStartTime(std::int64_t seconds) {
  std::lock_guard guard(lock_);
  startTime_ = seconds;
}

void KDUIOperation::SetLastUpdateTime(std::int64_t seconds) {
  std::lock_guard guard(lock_);
  lastUpdateTime_ = seconds;
}
