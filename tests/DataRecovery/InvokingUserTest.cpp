#include "Platform/InvokingUser.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace quellsy::platform {
namespace {

class InvokingUserTest : public testing::Test {
 protected:
  void TearDown() override { unsetenv("PKEXEC_UID"); }
};

TEST_F(InvokingUserTest, ReadsTheUidThatPkexecLeft) {
  const uid_t self = getuid();
  const passwd* entry = getpwuid(self);
  ASSERT_NE(entry, nullptr);
  setenv("PKEXEC_UID", std::to_string(self).c_str(), 1);
  const std::optional<InvokingUser> user = FindInvokingUser();
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->uid, self);
  EXPECT_EQ(user->gid, entry->pw_gid);
  EXPECT_EQ(user->name, entry->pw_name);
}

TEST_F(InvokingUserTest, NoUserForMissingOrMalformedValues) {
  EXPECT_FALSE(FindInvokingUser().has_value());
  for (const char* value : {"", "abc", "12x", "-1", "4294967295", "99999999999999999999", " 0"}) {
    setenv("PKEXEC_UID", value, 1);
    EXPECT_FALSE(FindInvokingUser().has_value()) << "'" << value << "'";
  }
  EXPECT_TRUE(GiveToInvokingUser("/nonexistent")) << "nothing to do without an invoking user";
  EXPECT_FALSE(GiveToInvokingUser(nullptr));
}

}  // namespace
}  // namespace quellsy::platform
