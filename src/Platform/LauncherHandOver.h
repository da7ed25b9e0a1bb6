#pragma once
// What passes between the launcher and the windowed program. The launcher starts the program as root with the
// language code followed by the launcher's flag as its first argument (and a scan-result file as its second); a
// program started without that first argument by a plain user hands over to the launcher and ends.

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string_view>

#include "Platform/InstalledPrograms.h"

namespace quellsy::platform {

inline constexpr std::string_view kLoaderFlag = "*loaderflag*";
inline constexpr std::size_t kMaxLanguageCodeBytes = 16;

// 1 to 16 ASCII characters, a letter first and then letters, digits, '-' or '_': a code that can be neither an
// option, a path nor anything a shell or a toolkit would read as more than a word.
bool IsSafeLanguageCode(std::string_view code);

// Whether the windowed program, started with these arguments by this effective user, starts the launcher instead
// of running: its first argument is missing, empty or holds bytes outside ASCII, and it is not root. Root runs
// whatever it was given, so the launcher and the program can never start each other in a loop.
bool ShouldStartLauncher(int argc, const char* const* argv, uid_t effectiveUid);

// Starts the launcher without arguments and without waiting for it (the caller is about to end); its process id,
// or nothing when it could not be started.
std::optional<pid_t> StartLauncher(const char* launcher = InstalledLauncher());

}  // namespace quellsy::platform
