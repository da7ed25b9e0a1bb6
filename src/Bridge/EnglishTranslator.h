#pragma once
// The built-in English texts of the keys the bridge itself looks up; used until the shell installs its own.

#include "Bridge/ITranslator.h"

namespace quellsy::bridge {

class EnglishTranslator : public ITranslator {
 public:
  std::string Translate(std::string_view key, std::string_view fallback) const override;
};

}  // namespace quellsy::bridge
