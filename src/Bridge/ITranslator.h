#pragma once
// Localised texts by key; the shell implements it with its translation catalogue.

#include <string>
#include <string_view>

namespace quellsy::bridge {

class ITranslator {
 public:
  virtual ~ITranslator() = default;
  // The text for key in the user's language, fallback when there is none.
  virtual std::string Translate(std::string_view key, std::string_view fallback) const = 0;
};

}  // namespace quellsy::bridge
