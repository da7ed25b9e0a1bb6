#include "UI/Kit/PrivateData.h"

#include <functional>
#include <mutex>

#include "Bridge/KDPublicUtilities.h"

namespace quellsy::ui {
namespace {

// One change at a time: each reads the file, changes one key and writes it back.
std::mutex& ChangeLock() {
  static std::mutex lock;
  return lock;
}

bool Change(const std::function<void(platform::SettingsFile&)>& change) {
  const std::lock_guard<std::mutex> hold(ChangeLock());
  platform::SettingsFile values = KDPublicUtilities::LoadPrivateData();
  change(values);
  return KDPublicUtilities::SavePrivateData(values);
}

}  // namespace

std::optional<std::string> PrivateData::GetString(std::string_view key) {
  return KDPublicUtilities::LoadPrivateData().GetString(key);
}

std::optional<std::vector<std::string>> PrivateData::GetStringList(std::string_view key) {
  return KDPublicUtilities::LoadPrivateData().GetStringList(key);
}

platform::SettingsFile PrivateData::Installed() {
  auto installed = platform::SettingsFile::Load(KDPublicUtilities::InstalledPrivateDataPath());
  return installed ? std::move(*installed) : platform::SettingsFile();
}

bool PrivateData::SetString(std::string_view key, std::string_view value) {
  return Change([&](platform::SettingsFile& values) { values.SetString(key, value); });
}

bool PrivateData::SetStringList(std::string_view key, const std::vector<std::string>& values) {
  return Change([&](platform::SettingsFile& file) { file.SetStringList(key, values); });
}

}  // namespace quellsy::ui
