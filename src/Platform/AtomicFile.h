#pragma once
// Files of the user's own (settings) written whole: through a temporary file in the same folder renamed over
// the target, so a reader sees the old or the new file, never half of one. When we run as root for a user
// (pkexec), the file and every folder made for it belong to that user, so the user can still read and change
// them without root.

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace quellsy::platform {

// Makes the folder and any missing parents (mode 0700, given to the invoking user); true when it exists after.
bool MakeUserFolders(const std::filesystem::path& folder);

// Writes bytes to path (mode 0600) as above; false, leaving the old file, when any step fails.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Writes all length bytes to fd through WriteAll (WriteAll.h); false at the first failure.
bool WriteWhole(int fd, const char* bytes, std::size_t length);

}  // namespace quellsy::platform
