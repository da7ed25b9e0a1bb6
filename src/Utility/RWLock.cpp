#include "Utility/RWLock.h"

RWLock::RWLock() { pthread_rwlock_init(&lock_, nullptr); }

RWLock::~RWLock() { pthread_rwlock_destroy(&lock_); }

void RWLock::EnterRead(const char*) { pthread_rwlock_rdlock(&lock_); }

void RWLock::LeaveRead() { pthread_rwlock_unlock(&lock_); }

void RWLock::EnterWrite(const char*) { pthread_rwlock_wrlock(&lock_); }

void RWLock::LeaveWrite() { pthread_rwlock_unlock(&lock_); }

ReadLock::ReadLock(RWLock* lock, const char* where) : lock_(lock) {
  if (lock_) lock_->EnterRead(where);
}

ReadLock::~ReadLock() {
  if (lock_) lock_->LeaveRead();
}

WriteLock::WriteLock(RWLock* lock, const char* where) : lock_(lock) {
  if (lock_) lock_->EnterWrite(where);
}

WriteLock::~WriteLock() {
  if (lock_) lock_->LeaveWrite();
}
