#pragma once
// What a desktop starts when the user logs in: XDG autostart entries, desktop entry files in the "autostart"
// folder of the user's configuration folder. Only entries that start our own program are made or removed; the
// user's other entries are never touched.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quellsy::platform {

// "autostart" in the configuration folder of the user who started us; nothing without a home.
std::optional<std::filesystem::path> UserAutostartFolder();

// An Exec value that starts program without arguments, quoted as desktop entries quote when the path needs it.
std::string AutostartExecValue(const std::string& program);
// The program an entry's Exec line starts: its first word, its quotes and escapes undone; empty when the text has
// no Exec line in its "[Desktop Entry]" group.
std::string AutostartProgram(std::string_view entryText);

// Writes folder/fileName as an entry named name that starts program; the file (and the folder when it is made)
// belongs to the invoking user. Writing it again replaces it. False when it cannot be written.
bool AddAutostartEntry(const std::filesystem::path& folder, const std::string& fileName, const std::string& program,
                       const std::string& name);

// Removes every entry of folder (regular "*.desktop" files of at most 64 KiB; links are not followed) whose program
// is program, or the same file by another path. The number removed.
std::size_t RemoveAutostartEntries(const std::filesystem::path& folder, const std::string& program);

}  // namespace quellsy::platform
