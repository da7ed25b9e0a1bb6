#pragma once
// Runs one operation's work at a time: the work on an operation thread with a 2 MiB stack, and optionally a
// status poll that tells the windows while the operation wants an update. Both threads are joinable and owned
// here, so a new start while the last work is still winding down is refused instead of reviving it.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Utility/SizedStackThread.h"

class KDUIOperation;

namespace quellsy::bridge {

class OperationRunner {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{100};

  OperationRunner() = default;
  // Waits for the work and the poll.
  ~OperationRunner();
  OperationRunner(const OperationRunner&) = delete;
  OperationRunner& operator=(const OperationRunner&) = delete;

  // Starts work for operation. With poll, a status poll posts name on the main thread after each update the
  // operation wants while its tree is finished, and once when the work is over. False, starting nothing, while
  // the last work still runs or when the system refuses a thread. Work that returns with the operation still
  // running, paused or stopping leaves it idle: the work is over either way. finished, when given, is the
  // worker's last step, once Busy() answers false: a start it allows finds the runner free.
  bool DoOperation(std::function<void()> work, KDUIOperation* operation, const std::string& name, bool poll,
                   std::function<void()> finished = nullptr);
  // Whether the last work has not returned yet.
  bool Busy() const;
  // Waits for the last work and its poll to end.
  void Join();

 private:
  struct Run;
  static void Poll(const std::shared_ptr<Run>& run, KDUIOperation* operation, const std::string& name);

  mutable std::mutex lock_;
  std::shared_ptr<Run> run_;
  std::unique_ptr<SizedStackThread> worker_;
  std::thread poll_;
};

}  // namespace quellsy::bridge
