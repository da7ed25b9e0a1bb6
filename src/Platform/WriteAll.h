#pragma once
// Writing a whole buffer to a descriptor: the system may take part of it or be interrupted by a signal, so one
// write is not enough. Every writer of the program goes through these.

#include <cstddef>
#include <cstdint>

namespace quellsy::platform {

// Writes all `length` bytes, going on after an interrupted call and after a partial write. False when the system
// refuses the rest; errno then says why (ENOSPC when it took nothing without giving a reason).
bool WriteAll(int fd, const void* bytes, std::size_t length);
// The same at byte `offset` of the file; the descriptor's own position is left where it was.
bool WriteAllAt(int fd, const void* bytes, std::size_t length, std::uint64_t offset);

}  // namespace quellsy::platform
