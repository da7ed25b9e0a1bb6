#pragma once
// Starts a program from a small waiter process, so that the caller can end at once: pkexec refuses to work for a
// parent that has gone (an orphan's parent is PID 1), so the waiter stays the program's parent until it ends and
// then ends with its status.

#include <sys/types.h>

#include <string>
#include <vector>

namespace quellsy::launcher {

struct WaiterStart {
  int error = 0;     // 0 when the program runs, else the errno of the failed start
  pid_t waiter = -1;  // the waiter, a child of the caller (the caller need not wait for it)
};

// argv[0] is looked up in PATH; returns once the program has been started or could not be.
WaiterStart StartBehindWaiter(const std::vector<std::string>& argv);

}  // namespace quellsy::launcher
