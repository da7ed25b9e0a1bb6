#include "FXRLoader/LanguageChoice.h"

#include <algorithm>
#include <cctype>

#include "Platform/LauncherHandOver.h"
#include "Platform/PrivateDataFiles.h"

namespace quellsy::launcher {
namespace {

constexpr const char* kEnglishCode = "en";
constexpr const char* kEnglishName = "English";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::vector<std::string> Subtags(const std::string& code) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t dash; (dash = code.find('-', start)) != std::string::npos; start = dash + 1)
    parts.push_back(Lower(code.substr(start, dash - start)));
  parts.push_back(Lower(code.substr(start)));
  return parts;
}

// Chinese by its script, else by the region's usual script.
std::string ChineseCode(const std::vector<std::string>& subtags) {
  for (const auto& subtag : subtags) {
    if (subtag == "hant") return "zh-Hant";
    if (subtag == "hans") return "zh-Hans";
  }
  for (const auto& subtag : subtags)
    if (subtag == "tw" || subtag == "hk" || subtag == "mo") return "zh-Hant";
  return "zh-Hans";
}

}  // namespace

std::string PreferredLanguageCode(std::string_view locale) {
  std::string code(locale.substr(0, locale.find_first_of(".@")));
  std::replace(code.begin(), code.end(), '_', '-');
  if (code == "C" || code == "POSIX" || !platform::IsSafeLanguageCode(code)) return {};
  const auto subtags = Subtags(code);
  if (subtags.front() == "zh") return ChineseCode(subtags);
  return subtags.front();
}

LanguageTargets TargetsFor(const std::string& preferred) {
  static const char* const kTraditional[] = {"zh-Hant", "zh-HK", "zh-MO", "zh-TW", "zh-Hant-TW"};
  if (std::find(std::begin(kTraditional), std::end(kTraditional), preferred) != std::end(kTraditional))
    return {"zh-Hant", "zh-Hant"};
  if (preferred == "zh-Hans") return {"zh-Hans", "zh-Hans"};
  if (preferred == "pt") return {"pt-BR", "pt-BR"};
  return {preferred, kEnglishCode};
}

LanguageChoice ChooseLanguage(std::string_view preferredLocale, const LanguageSettings& settings) {
  const LanguageTargets targets = TargetsFor(PreferredLanguageCode(preferredLocale));
  LanguageChoice choice{targets.fallback, std::nullopt};
  if (settings.current) {
    const auto named =
        std::find_if(settings.supported.begin(), settings.supported.end(),
                     [&](const SupportedLanguage& language) { return language.name == *settings.current; });
    if (named != settings.supported.end()) choice.code = named->code;
  } else {
    const auto offered = std::find_if(settings.supported.begin(), settings.supported.end(),
                                      [&](const SupportedLanguage& language) {
                                        return !targets.target.empty() && language.code == targets.target;
                                      });
    if (offered != settings.supported.end()) choice = {offered->code, offered->name};
  }
  // Whatever the settings file holds, only a plain code reaches the program's command line.
  if (!platform::IsSafeLanguageCode(choice.code)) choice.code = kEnglishCode;
  if (!settings.current && choice.code == kEnglishCode) choice.nameToStore = kEnglishName;
  return choice;
}

LanguageSettings ReadLanguageSettings(const std::filesystem::path& installed,
                                      const std::optional<std::filesystem::path>& user) {
  LanguageSettings settings;
  if (const auto values = platform::ReadPrivateData(installed, user)) {
    const auto current = values->find(kCurLanguageKey);
    if (current != values->end()) settings.current = current->second;
  }
  if (const auto document = platform::ReadSettingsPlist(installed)) {
    const platform::PlistNode offered = document->Root().Get(kSupportLanguageKey);
    for (const auto& name : offered.Keys())
      if (auto code = offered.Get(name.c_str()).Text()) settings.supported.push_back({name, std::move(*code)});
  }
  return settings;
}

std::string ChooseAndStoreLanguage(std::string_view preferredLocale, const std::filesystem::path& installed,
                                   const std::optional<std::filesystem::path>& user) {
  const LanguageChoice choice = ChooseLanguage(preferredLocale, ReadLanguageSettings(installed, user));
  if (choice.nameToStore && user)
    platform::WritePrivateDataText(installed, *user, kCurLanguageKey, *choice.nameToStore);
  return choice.code;
}

}  // namespace quellsy::launcher
