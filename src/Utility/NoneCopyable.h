#pragma once

// Base of the engine's lock types: copying a lock or a scope guard is always a mistake.
class none_copyable {
 public:
  none_copyable() = default;
  virtual ~none_copyable() = default;
  none_copyable(const none_copyable&) = delete;
  none_copyable& operator=(const none_copyable&) = delete;
};
