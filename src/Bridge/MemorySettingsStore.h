#pragma once
// Settings kept in memory only: what the bridge uses until the shell installs its own store, and in tests.

#include <map>
#include <mutex>

#include "Bridge/ISettingsStore.h"

namespace quellsy::bridge {

class MemorySettingsStore : public ISettingsStore {
 public:
  std::optional<std::string> GetString(std::string_view key) const override;
  void SetString(std::string_view key, std::string value) override;
  void Clear();

 private:
  mutable std::mutex lock_;
  std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace quellsy::bridge
