#include "Platform/DestinationFolder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

// The user every Debian system has, with no rights of its own.
constexpr uid_t kNobody = 65534;

TEST(DestinationFolderTest, WritableIsAskedAsTheInvokingUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  if (getpwuid(kNobody) == nullptr) GTEST_SKIP() << "the system has no user 65534";
  test::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const auto shared = dir.path() / "shared";
  const auto rootOnly = dir.path() / "root-only";
  const auto owned = dir.path() / "owned";
  for (const auto& folder : {shared, rootOnly, owned}) std::filesystem::create_directory(folder);
  chmod(shared.c_str(), 0777);
  chmod(rootOnly.c_str(), 0755);
  chmod(owned.c_str(), 0700);
  ASSERT_EQ(chown(owned.c_str(), kNobody, kNobody), 0);
  {
    test::ScopedEnv user("PKEXEC_UID", std::to_string(kNobody).c_str());
    EXPECT_TRUE(InvokingUserCanWrite(shared.string()));
    EXPECT_FALSE(InvokingUserCanWrite(rootOnly.string())) << "root could, the user cannot";
    EXPECT_TRUE(InvokingUserCanWrite(owned.string()));
    EXPECT_FALSE(InvokingUserCanWrite((dir.path() / "missing").string()));
    EXPECT_FALSE(InvokingUserCanWrite(""));
  }
  // Without an invoking user we ask as ourselves: root may write into its own folder.
  test::ScopedEnv none("PKEXEC_UID", nullptr);
  EXPECT_TRUE(InvokingUserCanWrite(rootOnly.string()));
}

TEST(DestinationFolderTest, FreeBytesAreWhatDfReportsAvailable) {
  test::TempDir dir;
  const std::string command = "df --output=avail -B1 '" + dir.path().string() + "' | tail -n 1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  unsigned long long available = 0;
  const int read = std::fscanf(pipe, "%llu", &available);
  pclose(pipe);
  ASSERT_EQ(read, 1);
  const auto free = FreeBytes(dir.path().string());
  ASSERT_TRUE(free.has_value());
  // Other programs write meanwhile: within a megabyte.
  EXPECT_NEAR(static_cast<double>(*free), static_cast<double>(available), 1024.0 * 1024.0);
  EXPECT_FALSE(FreeBytes((dir.path() / "missing").string()).has_value());
  EXPECT_FALSE(FreeBytes("").has_value());
}

}  // namespace
}  // namespace quellsy::platform
