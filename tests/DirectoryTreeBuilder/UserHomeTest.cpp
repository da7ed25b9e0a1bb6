#include "DirectoryTreeBuilder/UserHome.h"

#include <gtest/gtest.h>
#include <pwd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/ScopedEnv.h"

namespace {

using quellsy::test::ScopedEnv;

TEST(UserHomeTest, PkexecUserFirstThenHome) {
  const passwd* rootEntry = getpwuid(0);
  if (rootEntry == nullptr || rootEntry->pw_dir == nullptr) GTEST_SKIP() << "no passwd entry for uid 0";
  const std::string rootHome = rootEntry->pw_dir;
  struct Case {
    const char* pkexecUid;
    const char* home;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"0", "/home/someone", rootHome},
      {nullptr, "/home/someone", "/home/someone"},
      {nullptr, "", std::nullopt},
      {nullptr, nullptr, std::nullopt},
      {"abc", "/home/someone", std::nullopt},      // under pkexec HOME is root's: no guessing
      {"0x", "/home/someone", std::nullopt},
      {"", "/home/someone", std::nullopt},
      {"99999999999", "/home/someone", std::nullopt},  // beyond a uid
      {"3999999999", "/home/someone", std::nullopt},   // no such user
  };
  for (const Case& c : cases) {
    ScopedEnv uid("PKEXEC_UID", c.pkexecUid);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(c.expected, UserHomeFolder()) << (c.pkexecUid ? c.pkexecUid : "-") << " " << (c.home ? c.home : "-");
  }
}

}  // namespace
