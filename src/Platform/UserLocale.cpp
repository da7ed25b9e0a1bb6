#include "Platform/UserLocale.h"

#include <cstdlib>

namespace quellsy::platform {

std::string PreferredLocaleName() {
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    const std::string list(value);
    return list.substr(0, list.find(':'));
  }
  return {};
}

}  // namespace quellsy::platform
