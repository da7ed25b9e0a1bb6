#pragma once
// One windowed program per user: an exclusive flock(2) on a file in the user's state folder, held for as long as
// the lock object lives. The kernel drops it when the process ends, however it ends, so a crash never leaves the
// user locked out. Two attempts on the same file conflict also inside one process.

#include <filesystem>
#include <optional>

#include "Platform/InvokingUser.h"

namespace quellsy::platform {

class InstanceLock {
 public:
  enum class Outcome {
    kHeld,           // this object holds the lock
    kHeldElsewhere,  // another holder has it
    kUnavailable,    // the file could not be made or locked (no home, a read-only folder): nothing to go by
  };

  // The lock on the file `name` in the folder `below` (relative, made with mode 0700 and given to owner when
  // missing) inside the existing folder base; no link below base is followed.
  static InstanceLock Try(const std::filesystem::path& base, const std::filesystem::path& below,
                          const std::filesystem::path& name, const std::optional<InvokingUser>& owner);
  // The program's own: "quellsy/instance.lock" in the state folder of the user we act for (UserStateDir).
  static InstanceLock TryForUser();

  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock();

  // What the attempt found.
  Outcome outcome() const { return outcome_; }
  // Lets the lock go now (also done when the object goes).
  void Release();

 private:
  InstanceLock(Outcome outcome, int fd) : outcome_(outcome), fd_(fd) {}

  Outcome outcome_;
  int fd_;
};

}  // namespace quellsy::platform
