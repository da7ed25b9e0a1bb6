#pragma once
// The user defaults: "AppleLanguages" (languages, the preferred first), "rsfPath" (a scan-result file to open
// at start), "Participate", "isSelectDesktopDisk", "searchRecent" (recent searches) and
// "AppleMiniaturizeOnDoubleClick" (what a double click in a title bar does), kept in
// "Quellsy/Defaults.plist" under the configuration folder of the user who started us (the pkexec caller when
// we run as root). Held in memory and written through at every change, atomically and owned by that user.
// Safe from any thread.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/SettingsFile.h"

namespace quellsy::ui {

class UserDefaults {
 public:
  static constexpr const char* kLanguages = "AppleLanguages";
  static constexpr const char* kScanResultPath = "rsfPath";
  static constexpr const char* kParticipate = "Participate";
  static constexpr const char* kSelectDesktopDisk = "isSelectDesktopDisk";
  static constexpr const char* kRecentSearches = "searchRecent";
  // Whether a double click in a title bar minimises the window (absent: no).
  static constexpr const char* kMiniaturizeOnDoubleClick = "AppleMiniaturizeOnDoubleClick";

  // The process-wide defaults at DefaultPath() (read on first use).
  static UserDefaults& Instance();
  // Forgets what was read: the next Instance() reads path (empty: DefaultPath()) anew (tests).
  static void ResetForTests(const std::filesystem::path& path = {});
  // The configuration folder's "Quellsy/Defaults.plist"; nothing without a home.
  static std::optional<std::filesystem::path> DefaultPath();

  // Reads path when it holds a settings dictionary; starts empty otherwise. An empty path keeps them in memory.
  explicit UserDefaults(std::filesystem::path path);

  std::optional<std::string> GetString(std::string_view key) const;
  std::optional<bool> GetBool(std::string_view key) const;
  std::optional<std::vector<std::string>> GetStringList(std::string_view key) const;
  // The first of "AppleLanguages"; "" when there is none.
  std::string PreferredLanguage() const;

  // Each change is written at once; false when the file could not be written (the value is kept in memory).
  bool SetString(std::string_view key, std::string_view value);
  bool SetBool(std::string_view key, bool value);
  bool SetStringList(std::string_view key, const std::vector<std::string>& values);
  bool Remove(std::string_view key);

  const std::filesystem::path& Path() const { return path_; }

 private:
  bool SaveLocked() const;

  std::filesystem::path path_;
  mutable std::mutex lock_;
  platform::SettingsFile values_;
};

}  // namespace quellsy::ui
