#pragma once

#include <pthread.h>

#include "Utility/NoneCopyable.h"

class RWLock : public none_copyable {
 public:
  RWLock();
  ~RWLock() override;

  void EnterRead(const char* where = nullptr);
  void LeaveRead();
  void EnterWrite(const char* where = nullptr);
  void LeaveWrite();

 private:
  pthread_rwlock_t lock_;
};

// Scope guards over an RWLock; a null pointer makes them no-ops.
class ReadLock : public none_copyable {
 public:
  explicit ReadLock(RWLock* lock, const char* where = nullptr);
  ~ReadLock() override;

 private:
  RWLock* lock_;
};

class WriteLock : public none_copyable {
 public:
  explicit WriteLock(RWLock* lock, const char* where = nullptr);
  ~WriteLock() override;

 private:
  RWLock* lock_;
};
