#pragma once
// A settings property list held whole and changed in place: one dictionary whose values may be of any kind.
// The program reads and writes texts, booleans, integers, lists of texts and texts inside a dictionary of
// dictionaries (a table by language); every other value is kept as it was when the file is written back.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::platform {

class SettingsFile {
 public:
  // An empty dictionary.
  SettingsFile();
  ~SettingsFile();
  SettingsFile(SettingsFile&&) noexcept;
  SettingsFile& operator=(SettingsFile&&) noexcept;
  SettingsFile(const SettingsFile& other);
  SettingsFile& operator=(const SettingsFile&) = delete;

  // Nothing when the file is missing, larger than 1 MiB, or no property list with a dictionary at its root.
  static std::optional<SettingsFile> Load(const std::filesystem::path& path);
  // As XML, atomically, owned by the invoking user (WriteFileAtomically).
  bool Save(const std::filesystem::path& path) const;

  bool Has(std::string_view key) const;
  std::vector<std::string> Keys() const;
  // Each getter gives nothing when the key is missing or holds another kind. A boolean is also read from the
  // texts "YES"/"NO", "true"/"false" and "1"/"0", as older files and hand edits hold them.
  std::optional<std::string> GetString(std::string_view key) const;
  std::optional<bool> GetBool(std::string_view key) const;
  std::optional<std::int64_t> GetInteger(std::string_view key) const;
  // The texts of an array; entries of other kinds are left out.
  std::optional<std::vector<std::string>> GetStringList(std::string_view key) const;
  // The text under key in the dictionary under table.
  std::optional<std::string> GetTableString(std::string_view table, std::string_view key) const;

  void SetString(std::string_view key, std::string_view value);
  void SetBool(std::string_view key, bool value);
  void SetInteger(std::string_view key, std::int64_t value);
  void SetStringList(std::string_view key, const std::vector<std::string>& values);
  void Remove(std::string_view key);

 private:
  struct Free {
    void operator()(void* node) const;
  };
  explicit SettingsFile(void* root);
  void* Item(std::string_view key) const;
  void Set(std::string_view key, void* value);

  std::unique_ptr<void, Free> root_;
};

}  // namespace quellsy::platform
