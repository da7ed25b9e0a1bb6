#include "Bridge/BackgroundTasks.h"

#include <utility>

namespace quellsy::bridge {

BackgroundTasks& BackgroundTasks::Instance() {
  static BackgroundTasks tasks;
  return tasks;
}

BackgroundTasks::~BackgroundTasks() { WaitForAll(); }

void BackgroundTasks::Run(std::function<void()> work) {
  std::lock_guard guard(lock_);
  JoinFinishedLocked();
  Task& task = tasks_.emplace_back();
  // The list node stays put while the thread runs: only WaitForAll and JoinFinishedLocked remove it, after
  // the thread has set done under the lock.
  task.thread = std::thread([this, &task, work = std::move(work)] {
    work();
    std::lock_guard done(lock_);
    task.done = true;
  });
}

void BackgroundTasks::JoinFinishedLocked() {
  // A done thread no longer needs the lock, so joining it here cannot wait on us.
  for (auto it = tasks_.begin(); it != tasks_.end();) {
    if (it->done) {
      it->thread.join();
      it = tasks_.erase(it);
    } else {
      ++it;
    }
  }
}

void BackgroundTasks::WaitForAll() {
  // Tasks may start further tasks, so look again until none is left.
  for (;;) {
    std::list<Task> taken;
    {
      std::lock_guard guard(lock_);
      if (tasks_.empty()) return;
      // splice keeps the nodes where they are, so a running thread still finds its done flag.
      taken.splice(taken.end(), tasks_);
    }
    for (Task& task : taken) task.thread.join();
  }
}

std::size_t BackgroundTasks::PendingCount() const {
  std::lock_guard guard(lock_);
  return tasks_.size();
}

}  // namespace quellsy::bridge
