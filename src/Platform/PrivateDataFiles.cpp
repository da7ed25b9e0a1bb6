#include "Platform/PrivateDataFiles.h"

#include "Platform/UserPaths.h"

namespace quellsy::platform {

std::optional<std::filesystem::path> UserPrivateDataPath() {
  const auto config = UserConfigDir();
  if (!config) return std::nullopt;
  return *config / "Quellsy" / kPrivateDataFileName;
}

std::optional<StringDictionary> ReadPrivateData(const std::filesystem::path& installed,
                                                const std::optional<std::filesystem::path>& user) {
  if (user)
    if (auto values = ReadStringDictionary(*user)) return values;
  return ReadStringDictionary(installed);
}

SettingsFile LoadPrivateDataFile(const std::filesystem::path& installed,
                                 const std::optional<std::filesystem::path>& user) {
  if (user)
    if (auto values = SettingsFile::Load(*user)) return std::move(*values);
  return SettingsFile::Load(installed).value_or(SettingsFile());
}

bool WritePrivateDataText(const std::filesystem::path& installed, const std::filesystem::path& user,
                          const std::string& key, const std::string& value) {
  SettingsFile values = LoadPrivateDataFile(installed, user);
  values.SetString(key, value);
  return values.Save(user);
}

}  // namespace quellsy::platform
