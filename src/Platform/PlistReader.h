#pragma once
// A read-only view of a property list parsed from memory (XML or binary). Nodes borrow from the
// document that owns the tree; a missing key or index gives an empty node rather than an error.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::platform {

class PlistNode {
 public:
  PlistNode() = default;
  explicit PlistNode(void* node) : node_(node) {}

  bool IsDict() const;
  bool IsArray() const;
  bool IsData() const;
  bool IsString() const;
  bool IsInteger() const;
  // Empty node when this is not a dictionary or lacks the key.
  PlistNode Get(const char* key) const;
  // Element count of an array, else 0.
  std::uint32_t Size() const;
  PlistNode At(std::uint32_t index) const;
  // The bytes of a data node; nullopt for any other kind.
  std::optional<std::vector<std::uint8_t>> Data() const;
  // The text of a string node; nullopt for any other kind.
  std::optional<std::string> Text() const;
  // The value of an integer node (negative ones as stored, in two's complement); nullopt for any other kind.
  std::optional<std::int64_t> Integer() const;
  // The keys of a dictionary in their stored order; empty for any other kind.
  std::vector<std::string> Keys() const;

 private:
  void* node_ = nullptr;
};

class PlistDocument {
 public:
  // nullopt when the bytes are no property list (or are longer than the parser takes).
  static std::optional<PlistDocument> FromMemory(ByteSpan bytes);
  PlistNode Root() const { return PlistNode(root_.get()); }

 private:
  struct Free {
    void operator()(void* node) const;
  };
  std::unique_ptr<void, Free> root_;
};

}  // namespace quellsy::platform
