#include "Utility/MutexLocker.h"

mutex_locker::mutex_locker() { pthread_mutex_init(&mutex_, nullptr); }

mutex_locker::~mutex_locker() { pthread_mutex_destroy(&mutex_); }

void mutex_locker::lock() { pthread_mutex_lock(&mutex_); }

void mutex_locker::un_lock() { pthread_mutex_unlock(&mutex_); }
