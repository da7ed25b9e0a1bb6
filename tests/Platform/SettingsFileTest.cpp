// Settings property lists held whole: every kind the program uses read back, other kinds kept untouched, bad
// files refused, and files written for the user who ran us through pkexec owned by that user.

#include "Platform/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "Platform/AtomicFile.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

uid_t OwnerOf(const fs::path& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? info.st_uid : static_cast<uid_t>(-1);
}

TEST(SettingsFile, EveryKindReadsBackAfterASave) {
  test::TempDir dir;
  const auto path = dir / "Defaults.plist";
  SettingsFile file;
  file.SetString("rsfPath", "/home/u/a scan.Vortrane");
  file.SetBool("Participate", true);
  file.SetBool("isSelectDesktopDisk", false);
  file.SetInteger("IsFristTime", 3);
  file.SetStringList("AppleLanguages", {"de"});
  file.SetStringList("searchRecent", {});
  ASSERT_TRUE(file.Save(path));

  const auto back = SettingsFile::Load(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetString("rsfPath"), "/home/u/a scan.Vortrane");
  EXPECT_EQ(back->GetBool("Participate"), true);
  EXPECT_EQ(back->GetBool("isSelectDesktopDisk"), false);
  EXPECT_EQ(back->GetInteger("IsFristTime"), 3);
  EXPECT_EQ(back->GetStringList("AppleLanguages"), std::vector<std::string>{"de"});
  EXPECT_EQ(back->GetStringList("searchRecent"), std::vector<std::string>{});
  // A key of another kind answers nothing rather than a guess.
  EXPECT_EQ(back->GetString("Participate"), std::nullopt);
  EXPECT_EQ(back->GetStringList("rsfPath"), std::nullopt);
  EXPECT_EQ(back->GetBool("missing"), std::nullopt);
  EXPECT_EQ(back->Keys().size(), 6u);
}

TEST(SettingsFile, KeepsValuesOfKindsItDoesNotKnowAndReadsTextBooleans) {
  test::TempDir dir;
  const auto path = dir / "PrivateData.plist";
  std::ofstream(path) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>blob</key><data>AAEC</data>
<key>ratio</key><real>0.5</real>
<key>en</key><dict><key>AboutURL</key><string>https://example.org/</string></dict>
<key>isBootable</key><string>YES</string>
<key>legacy</key><string>0</string>
<key>odd</key><string>maybe</string>
</dict></plist>)";
  auto file = SettingsFile::Load(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->GetBool("isBootable"), true);
  EXPECT_EQ(file->GetBool("legacy"), false);
  EXPECT_EQ(file->GetBool("odd"), std::nullopt);
  file->SetString("CurLanguage", "fr");
  file->Remove("odd");
  file->Remove("never there");
  ASSERT_TRUE(file->Save(path));

  std::ifstream in(path);
  const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(xml.find("AAEC"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<real>0.5"), std::string::npos) << xml;
  const auto back = SettingsFile::Load(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetTableString("en", "AboutURL"), "https://example.org/");
  EXPECT_EQ(back->GetTableString("en", "Missing"), std::nullopt);
  EXPECT_EQ(back->GetTableString("CurLanguage", "x"), std::nullopt);
  EXPECT_EQ(back->GetString("CurLanguage"), "fr");
  EXPECT_FALSE(back->Has("odd"));
}

// A file where the settings' folder should be: no write. (Files that are no settings dictionary are refused in the
// table of the text dictionaries' test.)
TEST(SettingsFile, AWriteWhereAFileStandsInTheWayFails) {
  test::TempDir dir;
  std::ofstream(dir / "blocker") << "x";
  EXPECT_FALSE(SettingsFile().Save(dir / "blocker/Settings.plist"));
}

// Run as root for a user (pkexec): the file and the folders made for it go to that user; a folder that was
// there before keeps its owner.
TEST(SettingsFile, WrittenForTheInvokingUser) {
  if (geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
  test::TempDir dir;
  const auto path = dir / "home/.config/Quellsy/Defaults.plist";
  const test::ScopedEnv uid("PKEXEC_UID", "65534");
  SettingsFile file;
  file.SetString("rsfPath", "");
  ASSERT_TRUE(file.Save(path));
  EXPECT_EQ(OwnerOf(path), 65534u);
  EXPECT_EQ(OwnerOf(path.parent_path()), 65534u);
  EXPECT_EQ(OwnerOf(dir / "home/.config"), 65534u);
  EXPECT_EQ(OwnerOf(dir.path()), 0u);
  EXPECT_EQ(fs::status(path).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
  // A second write replaces the file and hands the new one over as well.
  file.SetString("rsfPath", "/x.Vortrane");
  ASSERT_TRUE(file.Save(path));
  EXPECT_EQ(OwnerOf(path), 65534u);
  EXPECT_EQ(SettingsFile::Load(path)->GetString("rsfPath"), "/x.Vortrane");
  EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);
}

TEST(SettingsFile, WithoutPkexecTheFileStaysOurs) {
  test::TempDir dir;
  const test::ScopedEnv uid("PKEXEC_UID", nullptr);
  ASSERT_TRUE(WriteFileAtomically(dir / "a/b/file", "text"));
  EXPECT_EQ(OwnerOf(dir / "a/b/file"), geteuid());
  EXPECT_EQ(OwnerOf(dir / "a"), geteuid());
}

}  // namespace
}  // namespace quellsy::platform
