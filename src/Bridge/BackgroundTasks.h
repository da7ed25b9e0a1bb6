#pragma once
// Work the bridge starts on threads of its own ("run this, then tell the windows"). Every thread is joined:
// finished ones when the next task starts, all of them by WaitForAll and at process exit.

#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace quellsy::bridge {

class BackgroundTasks {
 public:
  static BackgroundTasks& Instance();

  BackgroundTasks() = default;
  ~BackgroundTasks();
  BackgroundTasks(const BackgroundTasks&) = delete;
  BackgroundTasks& operator=(const BackgroundTasks&) = delete;

  // Runs work on a new thread. A task stops when its work returns; work that loops asks its operation.
  void Run(std::function<void()> work);
  // Returns when every task started so far, and every task those started, has ended; joins their threads.
  void WaitForAll();
  // Tasks whose threads are not yet joined.
  std::size_t PendingCount() const;

 private:
  struct Task {
    std::thread thread;
    bool done = false;
  };

  void JoinFinishedLocked();

  mutable std::mutex lock_;
  std::list<Task> tasks_;
};

}  // namespace quellsy::bridge
