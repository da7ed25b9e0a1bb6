#pragma once
// The time a thumbnail may take and whether it is still wanted: decoders look at it between steps (the camera
// raw decoder in its progress calls, the movie decoder while it waits for its helper) and give up once it has
// expired. Shared by the loader, which stops it, and the worker that decodes.

#include <atomic>
#include <chrono>
#include <memory>

namespace quellsy::ui {

class ThumbnailTicket {
 public:
  using Clock = std::chrono::steady_clock;

  // Expires after limit, or when stopped.
  explicit ThumbnailTicket(std::chrono::milliseconds limit)
      : deadline_(Clock::now() + limit), stopped_(std::make_shared<std::atomic<bool>>(false)) {}

  void Stop() const { stopped_->store(true); }
  bool Stopped() const { return stopped_->load(); }
  bool Expired() const { return Stopped() || Clock::now() >= deadline_; }
  std::chrono::milliseconds Left() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
  }
  Clock::time_point Deadline() const { return deadline_; }
  // The stop flag, for helpers that watch it directly.
  const std::atomic<bool>* StopFlag() const { return stopped_.get(); }

 private:
  Clock::time_point deadline_;
  std::shared_ptr<std::atomic<bool>> stopped_;  // copies of a ticket stop together
};

}  // namespace quellsy::ui
