#pragma once
// The windows' side of the settings list "PrivateData" ("IsFristTime", "SearchHistory", "VersionCheck",
// "CurLanguage", the link tables, ...): read whole from the user's copy (else the installed one) and written
// back whole into the user's copy, every other value kept, through KDPublicUtilities. Safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::ui {

class PrivateData {
 public:
  PrivateData() = delete;

  static std::optional<std::string> GetString(std::string_view key);
  static std::optional<std::vector<std::string>> GetStringList(std::string_view key);
  // False when the user's copy could not be written.
  static bool SetString(std::string_view key, std::string_view value);
  static bool SetStringList(std::string_view key, const std::vector<std::string>& values);
};

}  // namespace quellsy::ui
