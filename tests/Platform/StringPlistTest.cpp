// Settings dictionaries: written and read back, atomically replaced, and hostile files refused.

#include "Platform/StringPlist.h"

#include <gtest/gtest.h>

#include <fstream>

#include "Platform/SettingsFile.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

TEST(StringPlist, RoundTripThroughANewFolder) {
  test::TempDir dir;
  const auto path = dir / "config/app/Settings.plist";
  const StringDictionary values{{"PRODUCTNAME", "Quellsy"}, {"empty", ""}, {"text", "<&>\"'\xc3\xa9"}};
  ASSERT_TRUE(WriteStringDictionary(path, values));
  EXPECT_EQ(ReadStringDictionary(path), values);
  ASSERT_TRUE(WriteStringDictionary(path, {{"one", "1"}}));
  EXPECT_EQ(ReadStringDictionary(path), (StringDictionary{{"one", "1"}}));
  EXPECT_EQ(fs::status(path.parent_path()).permissions() & fs::perms::others_all, fs::perms::none);
  EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);
}

TEST(StringPlist, RefusesWhatIsNoDictionaryOfTexts) {
  test::TempDir dir;
  const std::pair<const char*, std::string> files[] = {
      {"array", "<plist version=\"1.0\"><array><string>a</string></array></plist>"},
      {"garbage", "not a property list at all"},
      {"empty", ""},
      {"huge", std::string((1 << 20) + 1, ' ')},
  };
  for (const auto& [name, text] : files) {
    std::ofstream(dir / name) << text;
    EXPECT_EQ(ReadStringDictionary(dir / name), std::nullopt) << name;
    EXPECT_FALSE(SettingsFile::Load(dir / name)) << name;
  }
  EXPECT_EQ(ReadStringDictionary(dir / "missing"), std::nullopt);
  EXPECT_FALSE(SettingsFile::Load(dir / "missing"));
  // Values of other kinds are left out.
  std::ofstream(dir / "mixed") << "<plist version=\"1.0\"><dict><key>n</key><integer>3</integer>"
                                  "<key>s</key><string>x</string></dict></plist>";
  EXPECT_EQ(ReadStringDictionary(dir / "mixed"), (StringDictionary{{"s", "x"}}));
  // A folder where the file's folder should be: no write.
  std::ofstream(dir / "blocker") << "x";
  EXPECT_FALSE(WriteStringDictionary(dir / "blocker/Settings.plist", {{"a", "b"}}));
}

// One text set in a settings file that holds other kinds of values too: they stay, and a file with nothing readable
// in it starts again from the seed.
TEST(StringPlist, SettingOneTextKeepsEveryOtherValue) {
  test::TempDir dir;
  const auto path = dir / "config/app/Settings.plist";
  const StringDictionary seed{{"PRODUCTNAME", "Quellsy"}};
  ASSERT_TRUE(SetSettingsText(path, "CurLanguage", "English", seed));
  EXPECT_EQ(ReadStringDictionary(path), (StringDictionary{{"PRODUCTNAME", "Quellsy"}, {"CurLanguage", "English"}}));

  std::ofstream(path) << "<plist version=\"1.0\"><dict><key>SearchHistory</key><array><string>a.jpg</string>"
                         "<string>b.doc</string></array><key>count</key><integer>7</integer>"
                         "<key>CurLanguage</key><string>English</string></dict></plist>";
  ASSERT_TRUE(SetSettingsText(path, "CurLanguage", "Deutsch", seed));
  const auto document = ReadSettingsPlist(path);
  ASSERT_TRUE(document);
  const PlistNode root = document->Root();
  EXPECT_EQ(root.Get("CurLanguage").Text(), "Deutsch");
  ASSERT_EQ(root.Get("SearchHistory").Size(), 2u);
  EXPECT_EQ(root.Get("SearchHistory").At(1).Text(), "b.doc");
  EXPECT_EQ(root.Keys(), (std::vector<std::string>{"SearchHistory", "count", "CurLanguage"}));
  EXPECT_FALSE(root.Get("PRODUCTNAME").IsString());  // the seed is only for a file without values

  std::ofstream(path) << "not a property list";
  ASSERT_TRUE(SetSettingsText(path, "CurLanguage", "English", seed));
  EXPECT_EQ(ReadStringDictionary(path), (StringDictionary{{"PRODUCTNAME", "Quellsy"}, {"CurLanguage", "English"}}));
  EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quellsy::platform
