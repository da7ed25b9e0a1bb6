#pragma once
// The language the user prefers, as the environment names it.

#include <string>

namespace quellsy::platform {

// The first entry of LANGUAGE, else LC_ALL, LC_MESSAGES or LANG, whichever is set first, as written there
// ("de_DE.UTF-8", "zh_TW", "C"); empty when none is set.
std::string PreferredLocaleName();

}  // namespace quellsy::platform
