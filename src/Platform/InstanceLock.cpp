#include "Platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "Platform/UserPaths.h"

namespace quellsy::platform {

InstanceLock InstanceLock::Try(const std::filesystem::path& base, const std::filesystem::path& below,
                               const std::filesystem::path& name, const std::optional<InvokingUser>& owner) {
  const int folder = OpenOrMakeFolder(base, below, owner);
  if (folder < 0) return {Outcome::kUnavailable, -1};
  const int fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  close(folder);
  if (fd < 0) return {Outcome::kUnavailable, -1};
  // The user's own file, like the folder. When that fails the lock still works: only root's runs take it (a plain
  // run hands over to the launcher first).
  if (owner && fchown(fd, owner->uid, owner->gid) != 0) {
  }
  int status;
  do {
    status = flock(fd, LOCK_EX | LOCK_NB);
  } while (status != 0 && errno == EINTR);
  if (status == 0) return {Outcome::kHeld, fd};
  const Outcome outcome = errno == EWOULDBLOCK ? Outcome::kHeldElsewhere : Outcome::kUnavailable;
  close(fd);
  return {outcome, -1};
}

InstanceLock InstanceLock::TryForUser() {
  const auto state = UserStateDir();
  if (!state) return {Outcome::kUnavailable, -1};
  return Try(state->base, state->below / "quellsy", "instance.lock", state->owner);
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : outcome_(other.outcome_), fd_(std::exchange(other.fd_, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    outcome_ = other.outcome_;
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

InstanceLock::~InstanceLock() { Release(); }

void InstanceLock::Release() {
  // Closing the only descriptor of the open file lets the lock go.
  if (fd_ >= 0) close(std::exchange(fd_, -1));
}

}  // namespace quellsy::platform
