#include "DirectoryTreeBuilder/TreeBuilderClock.h"

#include <thread>

std::chrono::milliseconds CSteadyTreeBuilderClock::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

void CSteadyTreeBuilderClock::Wait(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

CSteadyTreeBuilderClock& CSteadyTreeBuilderClock::Instance() {
  static CSteadyTreeBuilderClock clock;
  return clock;
}
