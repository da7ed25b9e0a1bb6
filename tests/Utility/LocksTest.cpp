#include <gtest/gtest.h>

#include <thread>

#include "Utility/MutexLocker.h"
#include "Utility/RWLock.h"
#include "Utility/SimpleCs.h"

namespace {

TEST(Locks, SimpleCsIsRecursiveAndRecordsItsOwner) {
  SimpleCs cs;
  {
    SimpleLock outer(&cs, "outer");
    SimpleLock inner(&cs, "inner");
    EXPECT_TRUE(pthread_equal(cs.Owner(), pthread_self()));
  }
  EXPECT_EQ(cs.Owner(), pthread_t{0});
  SimpleLock nothing(nullptr);
}

TEST(Locks, ScopeGuardsExcludeOtherThreads) {
  mutex_locker mutex;
  RWLock rw;
  long counter = 0, rwCounter = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      {
        autolocker<mutex_locker> guard(mutex);
        ++counter;
      }
      WriteLock write(&rw);
      ++rwCounter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 20000);
  ReadLock read(&rw);
  EXPECT_EQ(rwCounter, 20000);
}

}  // namespace
