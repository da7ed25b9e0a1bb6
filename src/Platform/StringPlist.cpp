#include "Platform/StringPlist.h"

#include <plist/plist.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "Platform/AtomicFile.h"

namespace quellsy::platform {
namespace {

constexpr std::uintmax_t kMaxSettingsBytes = 1 << 20;

struct PlistFree {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// Writes the property list as XML through a temporary file in the same folder renamed over `path`.
bool WritePlist(const std::filesystem::path& path, const PlistPtr& root) {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(static_cast<plist_t>(root.get()), &xml, &length);
  if (!xml) return false;
  const std::unique_ptr<char, void (*)(char*)> xmlOwner(xml, plist_to_xml_free);
  return WriteFileAtomically(path, std::string_view(xml, length));
}

PlistPtr DictionaryOf(const StringDictionary& values) {
  PlistPtr root(plist_new_dict());
  for (const auto& [key, value] : values)
    plist_dict_set_item(static_cast<plist_t>(root.get()), key.c_str(), plist_new_string(value.c_str()));
  return root;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadSettingsBytes(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kMaxSettingsBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() != size) return std::nullopt;
  return bytes;
}

std::optional<PlistDocument> ReadSettingsPlist(const std::filesystem::path& path) {
  const auto bytes = ReadSettingsBytes(path);
  if (!bytes) return std::nullopt;
  return PlistDocument::FromMemory(*bytes);
}

std::optional<StringDictionary> ReadStringDictionary(const std::filesystem::path& path) {
  const auto document = ReadSettingsPlist(path);
  if (!document || !document->Root().IsDict()) return std::nullopt;
  StringDictionary values;
  for (const auto& key : document->Root().Keys())
    if (auto text = document->Root().Get(key.c_str()).Text()) values[key] = std::move(*text);
  return values;
}

bool WriteStringDictionary(const std::filesystem::path& path, const StringDictionary& values) {
  return WritePlist(path, DictionaryOf(values));
}

bool SetSettingsText(const std::filesystem::path& path, const std::string& key, const std::string& value,
                     const StringDictionary& seed) {
  PlistPtr root;
  if (const auto bytes = ReadSettingsBytes(path)) {
    plist_t parsed = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes->data()), static_cast<std::uint32_t>(bytes->size()),
                      &parsed);
    root.reset(parsed);
  }
  if (!root || plist_get_node_type(static_cast<plist_t>(root.get())) != PLIST_DICT) root = DictionaryOf(seed);
  plist_dict_set_item(static_cast<plist_t>(root.get()), key.c_str(), plist_new_string(value.c_str()));
  return WritePlist(path, root);
}

}  // namespace quellsy::platform
