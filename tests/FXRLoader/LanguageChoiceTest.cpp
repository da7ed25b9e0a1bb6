// The language the launcher passes on, worked out by hand from the rules: the user's earlier choice by name, else
// the preferred language where the program offers it (Traditional Chinese forms, Portuguese to Brazilian), else the
// fallback; what is stored, and what never reaches the command line.

#include "FXRLoader/LanguageChoice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "Platform/StringPlist.h"
#include "support/TempDir.h"

namespace quellsy::launcher {
namespace {

namespace fs = std::filesystem;

TEST(LanguageChoice, LocaleNamesReadAsTheLanguagesTheyMean) {
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE.UTF-8", "de"},      {"de_DE", "de"},           {"DE_de", "de"},          {"en_US.UTF-8", "en"},
      {"sr_RS@latin", "sr"},      {"pt_BR.UTF-8", "pt"},     {"pt_PT", "pt"},          {"pt", "pt"},
      {"zh_TW.UTF-8", "zh-Hant"}, {"zh-HK", "zh-Hant"},      {"zh_MO", "zh-Hant"},     {"zh-Hant-TW", "zh-Hant"},
      {"zh_CN.GB18030", "zh-Hans"}, {"zh_SG", "zh-Hans"},    {"zh", "zh-Hans"},        {"zh-Hans-CN", "zh-Hans"},
      {"C", ""},                  {"C.UTF-8", ""},           {"POSIX", ""},            {"", ""},
      {"\xc3\xa9t\xc3\xa9", ""},  {"de DE", ""},             {"-platform", ""},        {"../../etc", ""},
      {"abcdefghijklmnopq", ""},  {"en;id", ""},
  };
  for (const auto& [locale, code] : cases) EXPECT_EQ(PreferredLanguageCode(locale), code) << locale;
}

TEST(LanguageChoice, TargetAndFallbackOfEachPreferredLanguage) {
  const struct {
    const char* preferred;
    const char* target;
    const char* fallback;
  } cases[] = {
      {"zh-Hant", "zh-Hant", "zh-Hant"}, {"zh-HK", "zh-Hant", "zh-Hant"}, {"zh-MO", "zh-Hant", "zh-Hant"},
      {"zh-TW", "zh-Hant", "zh-Hant"},   {"zh-Hant-TW", "zh-Hant", "zh-Hant"},
      {"zh-Hans", "zh-Hans", "zh-Hans"}, {"pt", "pt-BR", "pt-BR"},         {"de", "de", "en"},
      {"pt-PT", "pt-PT", "en"},          {"zh-CN", "zh-CN", "en"},          {"", "", "en"},
  };
  for (const auto& c : cases) {
    const LanguageTargets targets = TargetsFor(c.preferred);
    EXPECT_EQ(targets.target, c.target) << c.preferred;
    EXPECT_EQ(targets.fallback, c.fallback) << c.preferred;
  }
}

TEST(LanguageChoice, ChosenCodeAndTheNameStored) {
  const std::vector<SupportedLanguage> offered = {{"English", "en"},         {"Deutsch", "de"},
                                                  {"\xe7\xb9\x81\xe9\xab\x94", "zh-Hant"},
                                                  {"\xe7\xae\x80\xe4\xbd\x93", "zh-Hans"},
                                                  {"Portugu\xc3\xaas", "pt-BR"}};
  const std::vector<SupportedLanguage> englishOnly = {{"English", "en"}};
  const struct {
    const char* locale;
    std::optional<std::string> current;
    std::vector<SupportedLanguage> supported;
    std::string code;
    std::optional<std::string> stored;
  } cases[] = {
      // Nothing chosen yet: the offered language's name is stored.
      {"zh-HK", std::nullopt, offered, "zh-Hant", "\xe7\xb9\x81\xe9\xab\x94"},
      {"zh_TW.UTF-8", std::nullopt, offered, "zh-Hant", "\xe7\xb9\x81\xe9\xab\x94"},
      {"zh_CN.UTF-8", std::nullopt, offered, "zh-Hans", "\xe7\xae\x80\xe4\xbd\x93"},
      {"pt", std::nullopt, offered, "pt-BR", "Portugu\xc3\xaas"},
      {"pt_BR.UTF-8", std::nullopt, offered, "pt-BR", "Portugu\xc3\xaas"},
      {"de_DE.UTF-8", std::nullopt, offered, "de", "Deutsch"},
      // Not offered: the fallback; "en" stores "English".
      {"de_DE.UTF-8", std::nullopt, englishOnly, "en", "English"},
      {"fr_FR.UTF-8", std::nullopt, offered, "en", "English"},
      {"zh_TW.UTF-8", std::nullopt, englishOnly, "zh-Hant", std::nullopt},
      {"pt_PT", std::nullopt, {}, "pt-BR", std::nullopt},
      // No preference at all, or garbage: "en".
      {"", std::nullopt, offered, "en", "English"},
      {"\xff\xfe", std::nullopt, offered, "en", "English"},
      {"C", std::nullopt, {}, "en", "English"},
      // A name offered for "en" is replaced by "English".
      {"en_GB.UTF-8", std::nullopt, {{"Anglais", "en"}}, "en", "English"},
      // Chosen before: that name's code, whatever the locale says; nothing is stored.
      {"fr_FR.UTF-8", "Deutsch", offered, "de", std::nullopt},
      {"", "Portugu\xc3\xaas", offered, "pt-BR", std::nullopt},
      // A name that is not offered: the fallback of the preferred language.
      {"de_DE.UTF-8", "Klingon", offered, "en", std::nullopt},
      {"zh_HK", "Klingon", offered, "zh-Hant", std::nullopt},
      {"de_DE", "Deutsch", {}, "en", std::nullopt},
      // The first of two names for one code, in the list's order.
      {"de_DE", std::nullopt, {{"German", "de"}, {"Deutsch", "de"}}, "de", "German"},
      // Whatever a settings file offers, only a plain code reaches the command line.
      {"fr_FR", "Evil", {{"Evil", "-platformpluginpath"}}, "en", std::nullopt},
      {"fr_FR", "Long", {{"Long", "abcdefghijklmnopq"}}, "en", std::nullopt},
  };
  for (const auto& c : cases) {
    const LanguageChoice choice = ChooseLanguage(c.locale, {c.current, c.supported});
    EXPECT_EQ(choice.code, c.code) << c.locale << " / " << c.current.value_or("(unset)");
    EXPECT_EQ(choice.nameToStore, c.stored) << c.locale << " / " << c.current.value_or("(unset)");
  }
}

class LanguageSettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    installed_ = dir_ / "share/quellsy/PrivateData.plist";
    user_ = dir_ / "config/Quellsy/PrivateData.plist";
    fs::create_directories(installed_.parent_path());
    // Not in alphabetical order: the list's own order decides between two names for one code.
    std::ofstream(installed_) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>PRODUCTNAME</key><string>Quellsy</string>
<key>SupportLanguage</key><dict>
  <key>Hochdeutsch</key><string>de</string>
  <key>Deutsch</key><string>de</string>
  <key>English</key><string>en</string>
  <key>Broken</key><integer>3</integer>
</dict>
</dict></plist>)";
  }

  std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  test::TempDir dir_;
  fs::path installed_;
  fs::path user_;
};

TEST_F(LanguageSettingsFiles, TheOfferedListInItsOrderAndTheUsersChoice) {
  const LanguageSettings settings = ReadLanguageSettings(installed_, user_);
  EXPECT_EQ(settings.current, std::nullopt);
  ASSERT_EQ(settings.supported.size(), 3u);  // the entry that is no text is left out
  EXPECT_EQ(settings.supported[0].name, "Hochdeutsch");
  EXPECT_EQ(settings.supported[1].name, "Deutsch");
  EXPECT_EQ(settings.supported[2].code, "en");
}

TEST_F(LanguageSettingsFiles, AChoiceIsStoredInTheUsersCopyAndThenWins) {
  const std::string installedBefore = ReadAll(installed_);
  EXPECT_EQ(ChooseAndStoreLanguage("de_DE.UTF-8", installed_, user_), "de");
  const auto stored = platform::ReadStringDictionary(user_);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->at("CurLanguage"), "Hochdeutsch");
  EXPECT_EQ(stored->at("PRODUCTNAME"), "Quellsy");  // the new copy starts as the installed one
  EXPECT_EQ(ReadAll(installed_), installedBefore);

  // Now the stored name decides, and nothing is written again.
  const std::string userBefore = ReadAll(user_);
  EXPECT_EQ(ChooseAndStoreLanguage("fr_FR.UTF-8", installed_, user_), "de");
  EXPECT_EQ(ReadAll(user_), userBefore);
}

TEST_F(LanguageSettingsFiles, StoringKeepsTheUsersOtherSettings) {
  fs::create_directories(user_.parent_path());
  std::ofstream(user_) << "<plist version=\"1.0\"><dict><key>SearchHistory</key><array><string>holiday</string>"
                          "</array><key>upDataTimeStr</key><string>2026-01-02 03:04:05</string></dict></plist>";
  EXPECT_EQ(ChooseAndStoreLanguage("it_IT.UTF-8", installed_, user_), "en");
  const auto document = platform::ReadSettingsPlist(user_);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->Root().Get("CurLanguage").Text(), "English");
  EXPECT_EQ(document->Root().Get("SearchHistory").At(0).Text(), "holiday");
  EXPECT_EQ(document->Root().Get("upDataTimeStr").Text(), "2026-01-02 03:04:05");
}

TEST_F(LanguageSettingsFiles, WithoutAnyFileOrWritableFolderTheLanguageIsStillChosen) {
  EXPECT_EQ(ChooseAndStoreLanguage("pt_BR.UTF-8", dir_ / "missing.plist", std::nullopt), "pt-BR");
  std::ofstream(dir_ / "blocker") << "a file where the folder should be";
  EXPECT_EQ(ChooseAndStoreLanguage("de_DE", installed_, dir_ / "blocker/Quellsy/PrivateData.plist"), "de");
  EXPECT_EQ(ChooseAndStoreLanguage("", dir_ / "missing.plist", dir_ / "blocker/PrivateData.plist"), "en");
}

}  // namespace
}  // namespace quellsy::launcher
