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

bool WritePrivateDataText(const std::filesystem::path& installed, const std::filesystem::path& user,
                          const std::string& key, const std::string& value) {
  return SetSettingsText(user, key, value, ReadStringDictionary(installed).value_or(StringDictionary{}));
}

}  // namespace quellsy::platform
