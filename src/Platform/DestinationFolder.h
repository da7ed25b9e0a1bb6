#pragma once
// What a recovery asks of the folder it is to copy into, before it starts: whether the user who started us
// may write there, and how much room its file system has left.

#include <cstdint>
#include <optional>
#include <string>

namespace quellsy::platform {

// Whether folder is a folder the invoking user (PKEXEC_UID) may create files in, asked as that user (its groups
// included) so that permission bits, access lists and read-only mounts all count; as ourselves when there is no
// invoking user. Root passes every permission test, so asking as root would say yes to a folder the user
// cannot use afterwards.
bool InvokingUserCanWrite(const std::string& folder);

// The bytes an unprivileged writer may still use on folder's file system; nothing when it cannot be read.
std::optional<std::uint64_t> FreeBytes(const std::string& folder);

}  // namespace quellsy::platform
