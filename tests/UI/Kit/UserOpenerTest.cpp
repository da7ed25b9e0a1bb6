// Links and folders open in the invoking user's session: the opener runs as that user, with that user's home and
// without root's environment, when we are root for them; as we are otherwise.

#include "UI/Kit/UserOpener.h"

#include <QTest>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "support/RecordingProgram.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

class UserOpenerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetOpenProgramForTests(recorder_.string()); }
  void TearDown() override { SetOpenProgramForTests(""); }

  std::optional<test::ProgramRecord> WaitForRecord() const {
    std::optional<test::ProgramRecord> record;
    if (!QTest::qWaitFor([&] { return (record = test::ReadProgramRecord(recorder_)).has_value(); }, 30000))
      return std::nullopt;
    return record;
  }

  test::TempDir dir_;
  const std::filesystem::path recorder_ = test::WriteRecordingProgram(dir_.path());
};

TEST_F(UserOpenerTest, AsRootTheOpenerRunsAsTheInvokingUser) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0) GTEST_SKIP() << "needs root to open as another user";
  if (!nobody) GTEST_SKIP() << "this system has no user \"nobody\" to open as";
  const std::string uid = std::to_string(nobody->pw_uid);
  const test::ScopedEnv invoking("PKEXEC_UID", uid.c_str());
  const test::ScopedEnv display("DISPLAY", ":3");
  const test::ScopedEnv rootOnly("SUDO_COMMAND", "/bin/something");

  ASSERT_TRUE(OpenInUserSession(QStringLiteral("https://example.org/help?a=1&b=2")));
  const auto record = WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->uid, uid);
  EXPECT_EQ(record->arguments, "https://example.org/help?a=1&b=2");
  EXPECT_NE(record->environment.find("HOME=" + std::string(nobody->pw_dir) + "\n"), std::string::npos);
  EXPECT_NE(record->environment.find("USER=nobody\n"), std::string::npos);
  EXPECT_NE(record->environment.find("DISPLAY=:3\n"), std::string::npos);
  EXPECT_EQ(record->environment.find("SUDO_COMMAND"), std::string::npos) << record->environment;
  EXPECT_EQ(record->environment.find("PKEXEC_UID"), std::string::npos) << record->environment;
}

TEST_F(UserOpenerTest, WithoutAnInvokingUserTheOpenerRunsAsWeAre) {
  const test::ScopedEnv invoking("PKEXEC_UID", nullptr);
  ASSERT_TRUE(OpenInUserSession(QString::fromStdString(dir_.path().string())));
  const auto record = WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->uid, std::to_string(geteuid()));
  EXPECT_EQ(record->arguments, dir_.path().string());
}

TEST_F(UserOpenerTest, NothingOrAnOptionIsNotOpened) {
  EXPECT_FALSE(OpenInUserSession(QString()));
  EXPECT_FALSE(OpenInUserSession(QStringLiteral("--help")));
  SetOpenProgramForTests((dir_ / "missing-opener").string());
  EXPECT_FALSE(OpenInUserSession(QStringLiteral("https://example.org/")));
}

}  // namespace
}  // namespace quellsy::ui
