#pragma once
// What a recovery asks of the folder it is to copy into, before it starts: whether the user who started us
// may write there, how much room its file system has left, and which device it lives on.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quellsy::platform {

// Whether folder is a folder the invoking user (PKEXEC_UID) may create files in, asked as that user (its groups
// included) so that permission bits, access lists and read-only mounts all count; as ourselves when there is no
// invoking user. Root passes every permission test, so asking as root would say yes to a folder the user
// cannot use afterwards.
bool InvokingUserCanWrite(const std::string& folder);

// The bytes an unprivileged writer may still use on folder's file system; nothing when it cannot be read.
std::optional<std::uint64_t> FreeBytes(const std::string& folder);

// The device a folder lives on, looked up once so that comparing it with a scanned device needs no file system:
// its device number and the sources of the mounts with that number (st_dev is anonymous on btrfs, overlay and
// FUSE, where only the mount's source names the real device).
struct FolderDevice {
  std::string folder;                         // as asked
  std::optional<std::uint64_t> deviceNumber;  // none: the folder could not be looked at
  std::vector<std::string> mountSources;
};
FolderDevice DeviceOfFolder(const std::string& folder);

}  // namespace quellsy::platform
