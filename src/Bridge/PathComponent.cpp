#include "Bridge/PathComponent.h"

#include <algorithm>

namespace quellsy::bridge {

std::string SanitisePathComponent(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return "_";
  std::string out(name);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '/' || c == '\0'; }, '_');
  return out;
}

}  // namespace quellsy::bridge
