#pragma once
// A joinable thread with a chosen stack size: std::thread cannot set one, and the scan and recovery work runs
// deep recursions over engine trees that want more than the default on some systems.
#include <cstddef>
#include <functional>
#include <memory>

namespace quellsy {

class SizedStackThread {
 public:
  static constexpr std::size_t kOperationStack = 2 * 1024 * 1024;

  // Starts work at once; Started() is false when the system refused the thread (work then never runs).
  SizedStackThread(std::function<void()> work, std::size_t stackBytes = kOperationStack);
  // Joins.
  ~SizedStackThread();
  SizedStackThread(const SizedStackThread&) = delete;
  SizedStackThread& operator=(const SizedStackThread&) = delete;

  bool Started() const { return started_; }
  // Waits for work to return; harmless when already joined or never started.
  void Join();

 private:
  struct State;
  std::unique_ptr<State> state_;
  bool started_ = false;
};

}  // namespace quellsy
