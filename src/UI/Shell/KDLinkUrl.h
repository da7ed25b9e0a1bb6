#pragma once
// The one place where a link key ("AboutURL", "IniURL", "UpdateURL", "OnlineHelp", "SupportTeam", "Translate",
// "APFS_HELP_URL") becomes a web address: the installed "PrivateData" holds one table of addresses per language,
// keyed by language code, with "en" as the fallback. Read anew on every call.

#include <optional>
#include <string>
#include <string_view>

namespace quellsy::ui {

class KDLinkUrl {
 public:
  KDLinkUrl() = delete;

  // The address under key in the table of the user's first language ("AppleLanguages", compared exactly) when it
  // holds a non-empty one, else in the "en" table; nothing when neither has one.
  static std::optional<std::string> GetUrl(std::string_view key);
  // Opens GetUrl(key) in the user's session (OpenInUserSession); false when there is no address or the opener
  // could not be started.
  static bool OpenUrl(std::string_view key);
};

}  // namespace quellsy::ui
