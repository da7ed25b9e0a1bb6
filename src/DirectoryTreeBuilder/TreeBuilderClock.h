#pragma once
// The tree builder's sense of time: when to build a deferred batch and how long to pause after showing a
// root. Tests hand the builder their own clock so that seconds pass in no time.

#include <chrono>

class ITreeBuilderClock {
 public:
  virtual ~ITreeBuilderClock() = default;
  // Monotonic time.
  virtual std::chrono::milliseconds Now() = 0;
  virtual void Wait(std::chrono::milliseconds duration) = 0;
};

// The steady clock and a real sleep.
class CSteadyTreeBuilderClock : public ITreeBuilderClock {
 public:
  std::chrono::milliseconds Now() override;
  void Wait(std::chrono::milliseconds duration) override;

  // One shared object; it keeps no state.
  static CSteadyTreeBuilderClock& Instance();
};
