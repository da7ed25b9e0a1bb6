#include "Platform/SettingsFile.h"

#include <plist/plist.h>

#include "Platform/AtomicFile.h"
#include "Platform/PlistReader.h"
#include "Platform/StringPlist.h"

namespace quellsy::platform {
namespace {

std::optional<std::string> TextOf(plist_t node) { return PlistNode(node).Text(); }

}  // namespace

void SettingsFile::Free::operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }

SettingsFile::SettingsFile() : root_(plist_new_dict()) {}
SettingsFile::SettingsFile(void* root) : root_(root) {}
SettingsFile::~SettingsFile() = default;
SettingsFile::SettingsFile(SettingsFile&&) noexcept = default;
SettingsFile& SettingsFile::operator=(SettingsFile&&) noexcept = default;
SettingsFile::SettingsFile(const SettingsFile& other) : root_(plist_copy(static_cast<plist_t>(other.root_.get()))) {}

std::optional<SettingsFile> SettingsFile::Load(const std::filesystem::path& path) {
  const auto bytes = ReadSettingsBytes(path);
  if (!bytes) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes->data()), static_cast<std::uint32_t>(bytes->size()), &root);
  if (!root) return std::nullopt;
  SettingsFile file(root);
  if (plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
  return file;
}

bool SettingsFile::Save(const std::filesystem::path& path) const {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(static_cast<plist_t>(root_.get()), &xml, &length);
  if (!xml) return false;
  const std::unique_ptr<char, void (*)(char*)> owner(xml, plist_to_xml_free);
  return WriteFileAtomically(path, std::string_view(xml, length));
}

void* SettingsFile::Item(std::string_view key) const {
  return plist_dict_get_item(static_cast<plist_t>(root_.get()), std::string(key).c_str());
}

void SettingsFile::Set(std::string_view key, void* value) {
  plist_dict_set_item(static_cast<plist_t>(root_.get()), std::string(key).c_str(), static_cast<plist_t>(value));
}

bool SettingsFile::Has(std::string_view key) const { return Item(key) != nullptr; }

std::vector<std::string> SettingsFile::Keys() const { return PlistNode(root_.get()).Keys(); }

std::optional<std::string> SettingsFile::GetString(std::string_view key) const { return TextOf(Item(key)); }

std::optional<bool> SettingsFile::GetBool(std::string_view key) const {
  plist_t node = Item(key);
  if (node && plist_get_node_type(node) == PLIST_BOOLEAN) {
    std::uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
  }
  const auto text = TextOf(node);
  if (!text) return std::nullopt;
  if (*text == "YES" || *text == "true" || *text == "1") return true;
  if (*text == "NO" || *text == "false" || *text == "0") return false;
  return std::nullopt;
}

std::optional<std::int64_t> SettingsFile::GetInteger(std::string_view key) const {
  plist_t node = Item(key);
  if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
  std::uint64_t value = 0;
  plist_get_uint_val(node, &value);
  return static_cast<std::int64_t>(value);
}

std::optional<std::vector<std::string>> SettingsFile::GetStringList(std::string_view key) const {
  plist_t node = Item(key);
  if (!node || plist_get_node_type(node) != PLIST_ARRAY) return std::nullopt;
  std::vector<std::string> texts;
  const std::uint32_t count = plist_array_get_size(node);
  for (std::uint32_t i = 0; i < count; ++i)
    if (auto text = TextOf(plist_array_get_item(node, i))) texts.push_back(std::move(*text));
  return texts;
}

std::optional<std::string> SettingsFile::GetTableString(std::string_view table, std::string_view key) const {
  plist_t node = Item(table);
  if (!node || plist_get_node_type(node) != PLIST_DICT) return std::nullopt;
  return TextOf(plist_dict_get_item(node, std::string(key).c_str()));
}

void SettingsFile::SetString(std::string_view key, std::string_view value) {
  Set(key, plist_new_string(std::string(value).c_str()));
}

void SettingsFile::SetBool(std::string_view key, bool value) { Set(key, plist_new_bool(value ? 1 : 0)); }

void SettingsFile::SetInteger(std::string_view key, std::int64_t value) {
  Set(key, plist_new_uint(static_cast<std::uint64_t>(value)));
}

void SettingsFile::SetStringList(std::string_view key, const std::vector<std::string>& values) {
  plist_t array = plist_new_array();
  for (const std::string& value : values) plist_array_append_item(array, plist_new_string(value.c_str()));
  Set(key, array);
}

void SettingsFile::Remove(std::string_view key) {
  if (Has(key)) plist_dict_remove_item(static_cast<plist_t>(root_.get()), std::string(key).c_str());
}

}  // namespace quellsy::platform
