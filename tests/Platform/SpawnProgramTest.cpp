// Programs run by argument vector with a time limit: the exit status of one that ends, a kill at the limit or
// on a stop, and -1 for a program that does not exist. None is left behind unreaped.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "Platform/SpawnProgram.h"

namespace quellsy::platform {
namespace {

using namespace std::chrono_literals;

TEST(RunProgramWithTimeLimit, ReportsHowTheProgramEnded) {
  const LimitedRun done = RunProgramWithTimeLimit({"sh", "-c", "exit 3"}, 60s);
  EXPECT_EQ(done.status, 3);
  EXPECT_FALSE(done.timedOut);

  const LimitedRun slow = RunProgramWithTimeLimit({"sleep", "60"}, 50ms);
  EXPECT_TRUE(slow.timedOut);
  EXPECT_EQ(slow.status, -1);

  const std::atomic<bool> stop{true};
  const LimitedRun stopped = RunProgramWithTimeLimit({"sleep", "60"}, 60s, &stop);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.status, -1);

  EXPECT_EQ(RunProgramWithTimeLimit({"quellsy-no-such-program"}, 60s).status, -1);
  EXPECT_EQ(RunProgramWithTimeLimit({}, 60s).status, -1);
  // Every child was reaped.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace quellsy::platform
