// The program's command line: the launcher's language and scan-result file, what counts as neither, and what the
// start-up stores of them for the windows.

#include <gtest/gtest.h>

#include "Platform/LauncherHandOver.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/StartupArguments.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

TEST(Startup, TheArgumentsGiveTheLanguageAndTheScanResultFile) {
  const struct {
    std::vector<const char*> argv;
    std::optional<std::string> language;
    std::string scanResultPath;
  } cases[] = {
      {{"quellsy", "en*loaderflag*"}, "en", ""},
      {{"quellsy", "zh-Hant*loaderflag*"}, "zh-Hant", ""},
      {{"quellsy", "*loaderflag*"}, "", ""},                                  // the launcher named no language
      {{"quellsy", "en*loaderflag**loaderflag*"}, "en*loaderflag*", ""},      // one flag is taken off
      {{"quellsy", "de"}, "de", ""},                                          // any other text as it stands
      {{"quellsy", "*loaderflag*en"}, "*loaderflag*en", ""},
      {{"quellsy", ""}, std::nullopt, ""},                                    // empty: the user's own language
      {{"quellsy", "\xc3\xa9n*loaderflag*"}, std::nullopt, ""},               // not ASCII: as empty
      {{"quellsy"}, std::nullopt, ""},                                        // root started without arguments
      {{"quellsy", "en*loaderflag*", "/home/u/Card.Vortrane"}, "en", "/home/u/Card.Vortrane"},
      {{"quellsy", "en*loaderflag*", "/home/u/a.Vortrane.bak"}, "en", "/home/u/a.Vortrane.bak"},  // anywhere in it
      {{"quellsy", "en*loaderflag*", "/home/u/Card.vortrane"}, "en", ""},     // the mark's case counts
      {{"quellsy", "en*loaderflag*", "/home/u/photo.jpg"}, "en", ""},
      {{"quellsy", "", "/home/u/Card.Vortrane"}, std::nullopt, "/home/u/Card.Vortrane"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = c.argv;
    argv.push_back(nullptr);
    const StartupArguments arguments = ReadStartupArguments(static_cast<int>(c.argv.size()), argv.data());
    const std::string shown = c.argv.size() > 1 ? c.argv[1] : "(none)";
    EXPECT_EQ(arguments.language, c.language) << shown;
    EXPECT_EQ(arguments.scanResultPath, c.scanResultPath) << shown;
    // Root runs with any of these: it never goes back to the launcher.
    EXPECT_FALSE(platform::ShouldStartLauncher(static_cast<int>(c.argv.size()), argv.data(), 0)) << shown;
  }
}

class StartupStore : public ::testing::Test {
 protected:
  void SetUp() override { UserDefaults::ResetForTests(); }
  void TearDown() override { UserDefaults::ResetForTests(); }

  // What the next run reads.
  static UserDefaults& Stored() {
    UserDefaults::ResetForTests();
    return UserDefaults::Instance();
  }

  test::TempDir home_;
  const std::string config_ = (home_ / "config").string();
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  test::ScopedEnv invoking_{"PKEXEC_UID", nullptr};
};

TEST_F(StartupStore, TheLanguageBecomesTheOnlyPreferredOneAndIsSaidOnStandardOutput) {
  UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {"fr", "en"});
  ::testing::internal::CaptureStdout();
  setCurLanguage("de");
  // The log line follows on standard output, after its time.
  const std::string said = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(said.starts_with("argv = de\n")) << said;
  EXPECT_NE(said.find(" set lanague to = de\r\n"), std::string::npos) << said;
  EXPECT_EQ(Stored().GetStringList(UserDefaults::kLanguages), std::vector<std::string>{"de"});
  ::testing::internal::CaptureStdout();
  setCurLanguage("");
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(Stored().GetStringList(UserDefaults::kLanguages), std::vector<std::string>{""});
}

TEST_F(StartupStore, TheScanResultPathIsAlwaysWrittenAndTheLanguageOnlyWhenGiven) {
  UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {"fr"});
  UserDefaults::Instance().SetString(UserDefaults::kScanResultPath, "/old/Last.Vortrane");
  StoreStartupArguments({std::nullopt, ""});
  EXPECT_EQ(Stored().GetString(UserDefaults::kScanResultPath), "");
  EXPECT_EQ(Stored().GetStringList(UserDefaults::kLanguages), std::vector<std::string>{"fr"});

  ::testing::internal::CaptureStdout();
  StoreStartupArguments({"it", "/home/u/Card.Vortrane"});
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(Stored().GetString(UserDefaults::kScanResultPath), "/home/u/Card.Vortrane");
  EXPECT_EQ(Stored().GetStringList(UserDefaults::kLanguages), std::vector<std::string>{"it"});
}

}  // namespace
}  // namespace quellsy::ui
