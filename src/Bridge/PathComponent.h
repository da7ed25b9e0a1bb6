#pragma once
// Names found on a scanned device become parts of paths under the recovery folder; they must stay one
// harmless component each.

#include <string>
#include <string_view>

namespace quellsy::bridge {

// "/" and NUL become "_"; "", "." and ".." become "_". Anything else is kept as it is.
std::string SanitisePathComponent(std::string_view name);

}  // namespace quellsy::bridge
