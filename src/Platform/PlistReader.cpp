#include "Platform/PlistReader.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>

namespace quellsy::platform {

bool PlistNode::IsDict() const { return node_ && plist_get_node_type(node_) == PLIST_DICT; }
bool PlistNode::IsArray() const { return node_ && plist_get_node_type(node_) == PLIST_ARRAY; }
bool PlistNode::IsData() const { return node_ && plist_get_node_type(node_) == PLIST_DATA; }
bool PlistNode::IsString() const { return node_ && plist_get_node_type(node_) == PLIST_STRING; }
bool PlistNode::IsInteger() const { return node_ && plist_get_node_type(node_) == PLIST_UINT; }

PlistNode PlistNode::Get(const char* key) const {
  return IsDict() ? PlistNode(plist_dict_get_item(node_, key)) : PlistNode();
}

std::uint32_t PlistNode::Size() const { return IsArray() ? plist_array_get_size(node_) : 0; }

PlistNode PlistNode::At(std::uint32_t index) const {
  return index < Size() ? PlistNode(plist_array_get_item(node_, index)) : PlistNode();
}

std::optional<std::vector<std::uint8_t>> PlistNode::Data() const {
  if (!IsData()) return std::nullopt;
  char* value = nullptr;
  std::uint64_t length = 0;
  plist_get_data_val(node_, &value, &length);
  std::vector<std::uint8_t> bytes;
  if (value) bytes.assign(value, value + length);
  std::free(value);  // the library hands out a malloc'd copy
  return bytes;
}

std::optional<std::string> PlistNode::Text() const {
  if (!IsString()) return std::nullopt;
  // By pointer and length: a string with a zero byte inside is kept whole rather than tripping the library's check.
  std::uint64_t length = 0;
  const char* text = plist_get_string_ptr(node_, &length);
  return text ? std::string(text, length) : std::string();
}

std::optional<std::int64_t> PlistNode::Integer() const {
  if (!IsInteger()) return std::nullopt;
  std::uint64_t value = 0;
  plist_get_uint_val(node_, &value);
  return static_cast<std::int64_t>(value);
}

std::vector<std::string> PlistNode::Keys() const {
  std::vector<std::string> keys;
  if (!IsDict()) return keys;
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(node_, &iter);
  for (;;) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node_, iter, &key, &value);
    if (!value) {
      std::free(key);
      break;
    }
    if (key) keys.emplace_back(key);
    std::free(key);
  }
  std::free(iter);
  return keys;
}

void PlistDocument::Free::operator()(void* node) const { plist_free(node); }

std::optional<PlistDocument> PlistDocument::FromMemory(ByteSpan bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
  if (!root) return std::nullopt;
  PlistDocument document;
  document.root_.reset(root);
  return document;
}

}  // namespace quellsy::platform
