#pragma once
// The windows' side of the settings list "PrivateData" ("IsFristTime", "SearchHistory", "VersionCheck",
// "CurLanguage", the link tables, ...): read whole from the user's copy (else the installed one) and written
// back whole into the user's copy, every other value kept, through KDPublicUtilities. Safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/SettingsFile.h"

namespace quellsy::ui {

class PrivateData {
 public:
  PrivateData() = delete;

  static std::optional<std::string> GetString(std::string_view key);
  static std::optional<std::vector<std::string>> GetStringList(std::string_view key);
  // The installed copy alone, read anew: what ships with the program (its version, its link tables), which a
  // user's copy made whole by an older version would otherwise hide. Empty when it cannot be read.
  static platform::SettingsFile Installed();
  // False when the user's copy could not be written.
  static bool SetString(std::string_view key, std::string_view value);
  static bool SetStringList(std::string_view key, const std::vector<std::string>& values);
};

}  // namespace quellsy::ui
