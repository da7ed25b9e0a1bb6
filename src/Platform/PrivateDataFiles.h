#pragma once
// The settings list "PrivateData" exists twice: a read-only copy installed with the program's data, and the user's
// own copy in the configuration folder, which holds what the programs changed (the launcher its language, the
// windowed program its update time and the rest).

#include <filesystem>
#include <optional>
#include <string>

#include "Platform/SettingsFile.h"
#include "Platform/StringPlist.h"

namespace quellsy::platform {

inline constexpr const char* kPrivateDataFileName = "PrivateData.plist";

// "Quellsy/PrivateData.plist" in the configuration folder of the user who started us; nothing without a home.
std::optional<std::filesystem::path> UserPrivateDataPath();

// The texts of the user's copy when it reads as a dictionary, else those of the installed copy.
std::optional<StringDictionary> ReadPrivateData(const std::filesystem::path& installed,
                                                const std::optional<std::filesystem::path>& user);

// Every value of the user's copy when it reads as a dictionary, else of the installed copy, else none.
SettingsFile LoadPrivateDataFile(const std::filesystem::path& installed,
                                 const std::optional<std::filesystem::path>& user);

// Stores one text in the user's copy, keeping its other values; a missing copy starts as the whole installed copy
// (link tables, lists and numbers too), so that what the user's copy does not change still reads the same. False
// when it cannot be written.
bool WritePrivateDataText(const std::filesystem::path& installed, const std::filesystem::path& user,
                          const std::string& key, const std::string& value);

}  // namespace quellsy::platform
