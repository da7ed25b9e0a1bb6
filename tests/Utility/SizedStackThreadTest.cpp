#include "Utility/SizedStackThread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>

namespace {

std::size_t OwnStackSize() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
  std::size_t size = 0;
  pthread_attr_getstacksize(&attributes, &size);
  pthread_attr_destroy(&attributes);
  return size;
}

TEST(SizedStackThread, RunsWorkOnAThreadWithTheAskedStack) {
  std::size_t seen = 0;
  pthread_t worker{};
  {
    quellsy::SizedStackThread thread([&] {
      seen = OwnStackSize();
      worker = pthread_self();
    });
    ASSERT_TRUE(thread.Started());
  }  // joined here, so the writes above are visible
  EXPECT_GE(seen, quellsy::SizedStackThread::kOperationStack);
  EXPECT_FALSE(pthread_equal(worker, pthread_self()));
}

TEST(SizedStackThread, JoinTwiceIsHarmless) {
  int runs = 0;
  quellsy::SizedStackThread thread([&] { ++runs; }, 4 * 1024 * 1024);
  thread.Join();
  thread.Join();
  EXPECT_EQ(runs, 1);
}

}  // namespace
