#pragma once

#include <pthread.h>

#include <atomic>

#include "Utility/NoneCopyable.h"

// A recursive critical section that remembers which thread last entered it.
// The `where` texts name the caller for reading the code; they are not used.
class SimpleCs : public none_copyable {
 public:
  SimpleCs();
  ~SimpleCs() override;

  void EnterCS(const char* where = nullptr);
  void LeaveCS();
  pthread_t Owner() const { return owner_.load(); }

 private:
  pthread_mutex_t mutex_;
  std::atomic<pthread_t> owner_{0};
};

// Scope guard over a SimpleCs; a null pointer makes it a no-op.
class SimpleLock : public none_copyable {
 public:
  explicit SimpleLock(SimpleCs* cs, const char* where = nullptr);
  ~SimpleLock() override;

 private:
  SimpleCs* cs_;
};
