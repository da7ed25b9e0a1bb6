#include "Bridge/MemorySettingsStore.h"

namespace quellsy::bridge {

std::optional<std::string> MemorySettingsStore::GetString(std::string_view key) const {
  std::lock_guard guard(lock_);
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettingsStore::SetString(std::string_view key, std::string value) {
  std::lock_guard guard(lock_);
  values_.insert_or_assign(std::string(key), std::move(value));
}

void MemorySettingsStore::Clear() {
  std::lock_guard guard(lock_);
  values_.clear();
}

}  // namespace quellsy::bridge
