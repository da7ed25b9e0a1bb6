#pragma once
// The user's settings as the bridge reads them; the shell backs it with its own settings file.

#include <optional>
#include <string>
#include <string_view>

namespace quellsy::bridge {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // nullopt when the key was never set.
  virtual std::optional<std::string> GetString(std::string_view key) const = 0;
  virtual void SetString(std::string_view key, std::string value) = 0;

  // "1" and "true" read as set; a missing key as fallback.
  bool GetBool(std::string_view key, bool fallback = false) const;
  void SetBool(std::string_view key, bool value);
};

}  // namespace quellsy::bridge
