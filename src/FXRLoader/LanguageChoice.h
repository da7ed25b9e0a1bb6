#pragma once
// The interface language the launcher passes on: the one the user chose before (its name under "CurLanguage" in
// "PrivateData", looked up among the names of "SupportLanguage"), else the user's preferred language where the
// program offers it, else that language's fallback ("en" for most).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::launcher {

inline constexpr const char* kCurLanguageKey = "CurLanguage";
inline constexpr const char* kSupportLanguageKey = "SupportLanguage";

// The preferred language as the table below reads it, from a locale name or a language code: the encoding and
// modifier go ("de_DE.UTF-8" is "de_DE"), '_' reads as '-', and the region goes too, because a locale always names
// one for its formats ("de_DE" is "de", "pt_BR" and "pt_PT" are "pt"). Only in Chinese do the script or region
// choose the written language: Traditional ("zh_TW", "zh-HK", "zh-Hant-TW") becomes "zh-Hant", Simplified
// ("zh_CN", "zh_SG", "zh", "zh-Hans-CN") "zh-Hans". Empty for no preference: an empty name, "C", "POSIX", or one
// that is no safe language code once read so (bytes outside ASCII, too long, stray characters).
std::string PreferredLanguageCode(std::string_view locale);

// The code looked for among the offered languages (target) and the one taken when none offers it (fallback).
struct LanguageTargets {
  std::string target;
  std::string fallback;
};
// "zh-Hant", "zh-HK", "zh-MO", "zh-TW" and "zh-Hant-TW" give "zh-Hant" twice, "zh-Hans" gives "zh-Hans" twice,
// "pt" gives "pt-BR" twice; any other code gives itself and "en".
LanguageTargets TargetsFor(const std::string& preferred);

struct SupportedLanguage {
  std::string name;  // as stored under "CurLanguage"
  std::string code;
};

struct LanguageSettings {
  std::optional<std::string> current;        // "CurLanguage"
  std::vector<SupportedLanguage> supported;  // "SupportLanguage", in its stored order
};

struct LanguageChoice {
  std::string code;
  std::optional<std::string> nameToStore;  // a new "CurLanguage", when there was none
};

// With a current name: the code of the first offered language of that name, else the fallback; nothing is stored.
// Without one: the first offered language whose code is the target, storing its name, else the fallback; a result
// of exactly "en" stores "English". A code that is no safe language code gives "en".
LanguageChoice ChooseLanguage(std::string_view preferredLocale, const LanguageSettings& settings);

// "CurLanguage" from the user's copy of "PrivateData" (else the installed copy) and "SupportLanguage" from the
// installed copy, which is the program's own list.
LanguageSettings ReadLanguageSettings(const std::filesystem::path& installed,
                                      const std::optional<std::filesystem::path>& user);

// Chooses as above and stores a new name in the user's copy (a failed write changes nothing else).
std::string ChooseAndStoreLanguage(std::string_view preferredLocale, const std::filesystem::path& installed,
                                   const std::optional<std::filesystem::path>& user);

}  // namespace quellsy::launcher
