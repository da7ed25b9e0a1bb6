#pragma once
// The bridge's settings as the shell installs them: the keys that live in "PrivateData" ("SavePath",
// "upDataTimeStr", ...) go there, every other key (the user defaults "isSelectDesktopDisk", "Participate", ...)
// to the user defaults. A boolean reads as "1" or "0" and a "1"/"0" written to a key that holds a boolean, or to
// a known boolean default, is stored as a boolean.

#include "Bridge/ISettingsStore.h"

namespace quellsy::ui {

class UserDefaults;

class SettingsStore final : public bridge::ISettingsStore {
 public:
  // Not owned.
  explicit SettingsStore(UserDefaults& defaults);

  std::optional<std::string> GetString(std::string_view key) const override;
  void SetString(std::string_view key, std::string value) override;

  static bool LivesInPrivateData(std::string_view key);

 private:
  UserDefaults& defaults_;
};

}  // namespace quellsy::ui
