// The user defaults and "PrivateData" as the windows and the bridge see them: written under a test home,
// owned by the user who ran us through pkexec, read back; keys routed to the file they live in.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "Bridge/KDPublicUtilities.h"
#include "Platform/SettingsFile.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/SettingsStore.h"
#include "UI/Kit/UserDefaults.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

namespace fs = std::filesystem;

uid_t OwnerOf(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_uid : static_cast<uid_t>(-1);
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installed_ = home_ / "install/PrivateData.plist";
    fs::create_directories(installed_.parent_path());
    KDPublicUtilities::SetPrivateDataPathsForTesting(installed_, {});
    UserDefaults::ResetForTests();
  }
  void TearDown() override {
    KDPublicUtilities::SetPrivateDataPathsForTesting({}, {});
    UserDefaults::ResetForTests();
  }

  test::TempDir home_;
  const std::string config_ = (home_ / ".config").string();
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  fs::path installed_;
};

TEST_F(SettingsTest, DefaultsAreWrittenUnderTheUsersConfigurationAndReadBack) {
  const test::ScopedEnv uid("PKEXEC_UID", nullptr);
  UserDefaults& defaults = UserDefaults::Instance();
  EXPECT_EQ(defaults.Path(), fs::path(config_) / "Quellsy/Defaults.plist");
  EXPECT_EQ(defaults.PreferredLanguage(), "");
  ASSERT_TRUE(defaults.SetStringList(UserDefaults::kLanguages, {"de", "en"}));
  ASSERT_TRUE(defaults.SetString(UserDefaults::kScanResultPath, ""));
  ASSERT_TRUE(defaults.SetBool(UserDefaults::kParticipate, true));
  ASSERT_TRUE(defaults.SetBool(UserDefaults::kSelectDesktopDisk, false));
  ASSERT_TRUE(defaults.SetStringList(UserDefaults::kRecentSearches, {"report", "IMG_"}));

  // What another run of the program reads.
  UserDefaults::ResetForTests();
  const UserDefaults& again = UserDefaults::Instance();
  EXPECT_EQ(again.PreferredLanguage(), "de");
  EXPECT_EQ(again.GetString(UserDefaults::kScanResultPath), "");
  EXPECT_EQ(again.GetBool(UserDefaults::kParticipate), true);
  EXPECT_EQ(again.GetBool(UserDefaults::kSelectDesktopDisk), false);
  EXPECT_EQ(again.GetStringList(UserDefaults::kRecentSearches), (std::vector<std::string>{"report", "IMG_"}));
  EXPECT_EQ(OwnerOf(again.Path()), geteuid());
}

TEST_F(SettingsTest, AsRootForAUserTheFilesBelongToThatUser) {
  if (geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
  const test::ScopedEnv uid("PKEXEC_UID", "65534");
  KDPublicUtilities::SetPrivateDataPathsForTesting(installed_, fs::path(config_) / "Quellsy/PrivateData.plist");
  ASSERT_TRUE(UserDefaults::Instance().SetBool(UserDefaults::kParticipate, false));
  ASSERT_TRUE(PrivateData::SetString("IsFristTime", "1"));
  const fs::path folder = fs::path(config_) / "Quellsy";
  for (const fs::path& path : {folder / "Defaults.plist", folder / "PrivateData.plist", folder, fs::path(config_)})
    EXPECT_EQ(OwnerOf(path), 65534u) << path;
  EXPECT_EQ(OwnerOf(home_.path()), 0u);
  UserDefaults::ResetForTests();
  EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kParticipate), false);
  EXPECT_EQ(PrivateData::GetString("IsFristTime"), "1");
}

// The bridge's settings: "PrivateData" keys go there, the rest to the defaults; booleans stay booleans.
TEST_F(SettingsTest, TheBridgesStoreRoutesEachKeyToItsFile) {
  const fs::path user = fs::path(config_) / "Quellsy/PrivateData.plist";
  KDPublicUtilities::SetPrivateDataPathsForTesting(installed_, user);
  std::ofstream(installed_) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>en</key><dict><key>OnlineHelp</key><string>https://example.org/help</string></dict>
</dict></plist>)";
  SettingsStore store(UserDefaults::Instance());
  store.SetString("SavePath", "/home/u/Scans");
  store.SetBool("isSelectDesktopDisk", true);
  store.SetString("ShowExisting", "0");
  store.SetString("rsfPath", "1");  // a text that only looks like a boolean stays a text

  EXPECT_EQ(store.GetString("SavePath"), "/home/u/Scans");
  EXPECT_TRUE(store.GetBool("isSelectDesktopDisk"));
  EXPECT_EQ(store.GetString("ShowExisting"), "0");
  const auto privateData = platform::SettingsFile::Load(user);
  ASSERT_TRUE(privateData);
  EXPECT_EQ(privateData->GetString("SavePath"), "/home/u/Scans");
  EXPECT_EQ(privateData->GetTableString("en", "OnlineHelp"), "https://example.org/help");  // carried over
  EXPECT_FALSE(privateData->Has("isSelectDesktopDisk"));
  const auto defaults = platform::SettingsFile::Load(UserDefaults::Instance().Path());
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->GetBool("isSelectDesktopDisk"), true);
  EXPECT_EQ(defaults->GetString("isSelectDesktopDisk"), std::nullopt);  // a boolean, not the text "1"
  EXPECT_EQ(defaults->GetBool("ShowExisting"), false);
  EXPECT_EQ(defaults->GetString("rsfPath"), "1");
  EXPECT_FALSE(defaults->Has("SavePath"));

  ASSERT_TRUE(PrivateData::SetStringList("SearchHistory", {"a", "b"}));
  EXPECT_EQ(PrivateData::GetStringList("SearchHistory"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(PrivateData::GetString("SavePath"), "/home/u/Scans");
}

}  // namespace
}  // namespace quellsy::ui
