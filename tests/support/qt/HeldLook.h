#pragma once
// A look at a folder that stalls on its worker until the test lets it go, as a dead network share's would.
// Asked on the GUI thread it answers at once and says so, so that a check that blocks the window fails rather
// than hangs. Wrap any of a DestinationProbe's looks with Holding.

#include <atomic>
#include <latch>
#include <memory>
#include <thread>

namespace quellsy::test {

struct HeldLook {
  std::latch released{1};
  std::atomic<bool> let{false};
  std::atomic<int> asked{0};
  std::atomic<bool> askedOnGuiThread{false};
  const std::thread::id gui = std::this_thread::get_id();

  void Release() {
    if (!let.exchange(true)) released.count_down();
  }

  // look, counted and held until Release when asked on a worker.
  template <typename Look>
  static auto Holding(const std::shared_ptr<HeldLook>& held, Look look) {
    return [held, look](const auto&... arguments) {
      if (std::this_thread::get_id() == held->gui) {
        held->askedOnGuiThread = true;
      } else {
        ++held->asked;
        held->released.wait();
      }
      return look(arguments...);
    };
  }
};

}  // namespace quellsy::test
