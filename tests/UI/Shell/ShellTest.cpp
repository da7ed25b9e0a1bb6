// What the shell sets up for the windows.

#include <QTest>
#include <gtest/gtest.h>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/NotificationCenter.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/ShellServices.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { UserDefaults::ResetForTests(); }
  void TearDown() override {
    UserDefaults::ResetForTests();
    Texts::Instance().SetLanguage(QStringLiteral("en"));
  }
  test::TempDir home_;
  const std::string config_ = (home_ / ".config").string();
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  ScriptedBackend backend_;
};

TEST_F(ShellTest, ServicesAreInstalledForTheWindowsAndRemovedAfter) {
  {
    const ShellServices services(backend_, "en");
    ASSERT_TRUE(HasBackend());
    EXPECT_EQ(&Backend(), &backend_);
    EXPECT_EQ(bridge::Translator().Translate("DEVICE_NAME_UNTITILED", ""), "Untitled");
    // The bridge's settings land in the user defaults; its notifications reach a window on the GUI thread.
    bridge::Settings().SetBool(KDUIPublic::kSelectDesktopDiskKey, true);
    EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kSelectDesktopDisk), true);
    QObject window;
    bool delivered = false;
    ObserveNotification(&window, "aInitFinished", [&](const bridge::Notification&) { delivered = true; });
    Backend().NotifiyDeviceInfoAfterInit("aInitFinished");
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered; }));
  }
  EXPECT_FALSE(HasBackend());
  EXPECT_EQ(bridge::MainThreadPoster(), nullptr);
}

TEST_F(ShellTest, TheLanguageIsTheAskedOneElseTheUsersPreferred) {
  EXPECT_EQ(ShellServices::ChosenLanguage("fr"), "fr");
  const test::ScopedEnv language("LANGUAGE", "it:en");
  EXPECT_EQ(ShellServices::ChosenLanguage(""), "it");
  UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {"de"});
  EXPECT_EQ(ShellServices::ChosenLanguage(""), "de");
  const ShellServices services(backend_);
  EXPECT_EQ(Texts::Instance().Language(), QStringLiteral("de"));
  EXPECT_EQ(Texts::Instance().Text("COMM_BACK_BUTTON"), QStringLiteral("Back"));  // no German texts yet: English
}

}  // namespace
}  // namespace quellsy::ui
