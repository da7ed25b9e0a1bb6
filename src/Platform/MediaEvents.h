#pragma once
// Block media appearing and disappearing, as the windows need to hear of them, and the source that
// reports them: udev on a running system, a scripted list in tests.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quellsy::platform {

struct MediaEvent {
  enum class Action { kAdd, kRemove };
  Action action = Action::kAdd;
  std::string devNode;        // "/dev/sdb1"; empty when the kernel gave none
  bool whole = false;         // a whole disk, not a partition
  std::int64_t sizeBytes = 0; // 0 when unknown (always for a removal)
  std::string name;           // the disk's model or the volume's label; empty when it has none
};

class IMediaEventSource {
 public:
  virtual ~IMediaEventSource() = default;
  // The media present now.
  virtual std::vector<MediaEvent> Existing() = 0;
  // Blocks until events arrive and returns those that arrived together; empty once Stop was called.
  virtual std::vector<MediaEvent> Wait() = 0;
  // Ends a Wait in progress and every later one; callable from any thread.
  virtual void Stop() = 0;
};

// The udev monitor on the "block" subsystem; null when udev cannot be reached.
std::unique_ptr<IMediaEventSource> CreateUdevMediaSource();

}  // namespace quellsy::platform
