#pragma once

#include <pthread.h>

#include "Utility/NoneCopyable.h"

// A plain (non-recursive) mutex: a thread must not take the same mutex_locker twice.
class mutex_locker : public none_copyable {
 public:
  mutex_locker();
  ~mutex_locker() override;

  void lock();
  void un_lock();

 private:
  pthread_mutex_t mutex_;
};

template <typename Lockable>
class autolocker : public none_copyable {
 public:
  explicit autolocker(Lockable& lock) : lock_(lock) { lock_.lock(); }
  ~autolocker() override { lock_.un_lock(); }

 private:
  Lockable& lock_;
};
