#pragma once
// A property list that is one dictionary of texts (settings files): read whole, written whole and atomically.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistReader.h"

namespace quellsy::platform {

using StringDictionary = std::map<std::string, std::string>;

// The bytes of a settings file; nothing when it is missing, empty or larger than 1 MiB.
std::optional<std::vector<std::uint8_t>> ReadSettingsBytes(const std::filesystem::path& path);

// The property list in a settings file; nothing when the file is missing, larger than 1 MiB or no property list.
std::optional<PlistDocument> ReadSettingsPlist(const std::filesystem::path& path);

// The dictionary's text values (other kinds are left out); nothing when the file is missing, larger than
// 1 MiB, or no property list with a dictionary at its root.
std::optional<StringDictionary> ReadStringDictionary(const std::filesystem::path& path);

// Writes an XML property list atomically (WriteFileAtomically: the file and the folders made for it belong to
// the invoking user).
bool WriteStringDictionary(const std::filesystem::path& path, const StringDictionary& values);

// Sets one text in the settings file at `path` and writes it back the same way, keeping its other values of every
// kind; a file that is missing or does not read as a dictionary (nothing in it can be read) starts from `seed`.
// False when the write fails.
bool SetSettingsText(const std::filesystem::path& path, const std::string& key, const std::string& value,
                     const StringDictionary& seed);

}  // namespace quellsy::platform
