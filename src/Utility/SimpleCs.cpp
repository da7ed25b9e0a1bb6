#include "Utility/SimpleCs.h"

SimpleCs::SimpleCs() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

SimpleCs::~SimpleCs() { pthread_mutex_destroy(&mutex_); }

void SimpleCs::EnterCS(const char*) {
  pthread_mutex_lock(&mutex_);
  owner_.store(pthread_self());
}

void SimpleCs::LeaveCS() {
  owner_.store(0);
  pthread_mutex_unlock(&mutex_);
}

SimpleLock::SimpleLock(SimpleCs* cs, const char* where) : cs_(cs) {
  if (cs_) cs_->EnterCS(where);
}

SimpleLock::~SimpleLock() {
  if (cs_) cs_->LeaveCS();
  cs_ = nullptr;
}
