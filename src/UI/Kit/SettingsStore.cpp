#include "UI/Kit/SettingsStore.h"

#include <array>

#include "UI/Kit/PrivateData.h"
#include "UI/Kit/UserDefaults.h"

namespace quellsy::ui {
namespace {

constexpr std::array<std::string_view, 7> kPrivateDataKeys{"SavePath",   "upDataTimeStr", "CurLanguage",
                                                           "SupportLanguage", "VersionCheck", "IsFristTime",
                                                           "SearchHistory"};
constexpr std::array<std::string_view, 3> kBooleanDefaults{UserDefaults::kParticipate,
                                                           UserDefaults::kSelectDesktopDisk, "ShowExisting"};

std::optional<bool> AsBool(std::string_view text) {
  if (text == "1" || text == "true" || text == "YES") return true;
  if (text == "0" || text == "false" || text == "NO") return false;
  return std::nullopt;
}

}  // namespace

SettingsStore::SettingsStore(UserDefaults& defaults) : defaults_(defaults) {}

bool SettingsStore::LivesInPrivateData(std::string_view key) {
  for (std::string_view known : kPrivateDataKeys)
    if (known == key) return true;
  return false;
}

std::optional<std::string> SettingsStore::GetString(std::string_view key) const {
  if (LivesInPrivateData(key)) return PrivateData::GetString(key);
  if (auto text = defaults_.GetString(key)) return text;
  if (auto flag = defaults_.GetBool(key)) return std::string(*flag ? "1" : "0");
  return std::nullopt;
}

void SettingsStore::SetString(std::string_view key, std::string value) {
  if (LivesInPrivateData(key)) {
    PrivateData::SetString(key, value);
    return;
  }
  bool boolean = defaults_.GetBool(key).has_value() && !defaults_.GetString(key).has_value();
  for (std::string_view known : kBooleanDefaults) boolean = boolean || known == key;
  if (const auto flag = AsBool(value); boolean && flag) {
    defaults_.SetBool(key, *flag);
    return;
  }
  defaults_.SetString(key, value);
}

}  // namespace quellsy::ui
