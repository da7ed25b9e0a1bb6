#pragma once
// One long-running piece of work started by the windows (a scan, a recovery, saving or restoring results),
// and at the same time the progress sink the engine calls on the worker thread. The windows and the facade's
// poll thread read its status and last progress record; pause, resume and stop arrive as status changes.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "include/IProgress.h"

enum OPERATION_STATUS : int {
  OPERATION_STATUS_IDLE = 0,  // idle or finished
  OPERATION_STATUS_STOP = 1,  // stop requested; the work is winding down
  OPERATION_STATUS_RUNNING = 2,
  OPERATION_STATUS_PAUSE = 3,
  OPERATION_STATUS_EXIT = 4,  // over, as 0
};

class KDUIOperation : public IProgress {
 public:
  // A paused worker looks at the status again after this long even without being woken.
  static constexpr std::chrono::milliseconds kPauseStep{80};

  KDUIOperation();
  explicit KDUIOperation(std::chrono::milliseconds pauseStep);
  KDUIOperation(const KDUIOperation&) = delete;
  KDUIOperation& operator=(const KDUIOperation&) = delete;

  // Holds the caller while the operation is paused; non-zero while it is to go on (running).
  int Continued() override;
  int shouldBuild() override;
  virtual int IsOpTreeFinished();
  virtual void SetOpTreeFinished(int finished);

  int GetStatus() const;
  void SetStatus(int status);
  int IsNeedUIUpdate() const;
  void SetNeedUIUpdate(int need);
  void SetShouldBuildTree(int build);
  _PROGRESS_INFO GetProgressInfo() const;
  void SetProgressInfo(_PROGRESS_INFO info);
  // True when idle, finished or exited; a requested stop still runs.
  bool IsOperationExit() const;
  // Running <-> paused; any other status stays.
  void PauseOrResumeOperation();
  // Asks running or paused work to stop, building the result trees unless noTree; an idle operation stays
  // idle. Either way the windows are to look again.
  void StopOperation(int noTree);
  std::int64_t GetScanElapseTime() const;

  // Waits until the work is over (idle or exited); false when limit passed first.
  bool WaitForExit(std::chrono::milliseconds limit) const;

  // Workers held inside Continued by a pause right now.
  int HeldWorkers() const;
  // Waits until at least count workers are held by a pause; false when limit passed first.
  bool WaitForHeldWorkers(int count, std::chrono::milliseconds limit) const;

 protected:
  void SetStartTime(std::int64_t seconds);
  void SetLastUpdateTime(std::int64_t seconds);
  // Subclasses that update several fields together hold it over the whole update.
  std::recursive_mutex& Lock() const { return lock_; }

 private:
  // Wakes paused workers and those waiting for them after a status change.
  void StatusChanged();

  mutable std::recursive_mutex lock_;
  std::int64_t startTime_ = 0;
  std::int64_t lastUpdateTime_ = 0;
  // Written under lock_, read without it: the waits on wake_ read it while holding wakeLock_.
  std::atomic<int> status_ = OPERATION_STATUS_IDLE;
  int shouldBuildTree_ = 1;
  int needUIUpdate_ = 0;
  _PROGRESS_INFO progress_{};

  // Separate from lock_ and taken only after it, never before it, so that a subclass holding lock_ can still
  // change the status while another thread waits for one.
  const std::chrono::milliseconds pauseStep_;
  mutable std::mutex wakeLock_;
  mutable std::condition_variable wake_;
  std::uint64_t statusVersion_ = 0;
  int heldWorkers_ = 0;
};
