#include "Bridge/ISettingsStore.h"

namespace quellsy::bridge {

bool ISettingsStore::GetBool(std::string_view key, bool fallback) const {
  const std::optional<std::string> value = GetString(key);
  if (!value) return fallback;
  return *value == "1" || *value == "true";
}

void ISettingsStore::SetBool(std::string_view key, bool value) { SetString(key, value ? "1" : "0"); }

}  // namespace quellsy::bridge
