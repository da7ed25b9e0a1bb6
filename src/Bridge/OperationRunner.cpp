#include "Bridge/OperationRunner.h"

#include <cstdio>

#include "Bridge/KDUIOperation.h"
#include "Bridge/KDUIPublic.h"

namespace quellsy::bridge {

struct OperationRunner::Run {
  std::atomic<bool> done{false};
};

OperationRunner::~OperationRunner() { Join(); }

bool OperationRunner::Busy() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return run_ && !run_->done;
}

void OperationRunner::Join() {
  const std::lock_guard<std::mutex> hold(lock_);
  if (worker_) worker_->Join();
  if (poll_.joinable()) poll_.join();
  worker_.reset();
}

bool OperationRunner::DoOperation(std::function<void()> work, KDUIOperation* operation, const std::string& name,
                                  bool poll, std::function<void()> finished) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (run_ && !run_->done) return false;
  if (worker_) worker_->Join();
  if (poll_.joinable()) poll_.join();
  auto run = std::make_shared<Run>();
  run_ = run;
  worker_ = std::make_unique<SizedStackThread>([run, operation, work = std::move(work), finished] {
    if (work) work();
    if (operation && !operation->IsOperationExit()) {
      operation->SetStatus(OPERATION_STATUS_IDLE);
      operation->SetNeedUIUpdate(1);
    }
    run->done = true;
    if (finished) finished();
  });
  if (!worker_->Started()) {
    run->done = true;
    worker_.reset();
    return false;
  }
  if (poll && operation) poll_ = std::thread([run, operation, name] { Poll(run, operation, name); });
  return true;
}

void OperationRunner::Poll(const std::shared_ptr<Run>& run, KDUIOperation* operation, const std::string& name) {
  while (!operation->IsOperationExit() && !run->done) {
    operation->WaitForExit(kPollInterval);
    if (operation->IsNeedUIUpdate()) {
      operation->SetNeedUIUpdate(0);
      if (operation->IsOpTreeFinished()) KDUIPublic::NotifyMainThread(name);
    }
  }
  // Always once at the end: the last state must reach the windows even when the last update came after the
  // last look.
  KDUIPublic::NotifyMainThread(name);
  operation->SetNeedUIUpdate(0);
  std::printf("!!!!!!! The state query thread is exited!!!!!!!!!\n");
}

}  // namespace quellsy::bridge
