// The program among the user's login items: an autostart entry of our own in the invoking user's configuration
// folder, owned by that user, and removal of ours alone.

#include "UI/Kit/HLLoginItemRegistry.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "Platform/AutostartEntries.h"
#include "Platform/InstalledPrograms.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

namespace fs = std::filesystem;

uid_t OwnerOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status.st_uid;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(LoginItems, OurEntryGoesIntoTheInvokingUsersAutostartFolderAndOnlyOursIsRemoved) {
  test::TempDir home;
  const fs::path config = home / "config";
  const test::ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
  // Run as root for another user, as pkexec does.
  const passwd* nobody = getpwnam("nobody");
  const bool forAnotherUser = geteuid() == 0 && nobody != nullptr;
  const std::string uid = nobody ? std::to_string(nobody->pw_uid) : std::string();
  const test::ScopedEnv invoking("PKEXEC_UID", forAnotherUser ? uid.c_str() : nullptr);
  const fs::path folder = config / "autostart";
  const fs::path ours = folder / HLLoginItemRegistry::kEntryFileName;

  const HLLoginItemRegistry registry;
  registry.addAppAsLoginItem();
  ASSERT_TRUE(fs::exists(ours));
  EXPECT_EQ(platform::AutostartProgram(ReadText(ours)), platform::InstalledLauncher());
  if (forAnotherUser) {
    for (const fs::path& made : {ours, folder, config}) EXPECT_EQ(OwnerOf(made), nobody->pw_uid) << made;
  }
  // Added twice: still one entry.
  registry.addAppAsLoginItem();
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& item : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1u);

  std::ofstream(folder / "mail.desktop") << "[Desktop Entry]\nExec=/usr/bin/mail-client\n";
  std::ofstream(folder / "copy.desktop") << "[Desktop Entry]\nExec=" << platform::InstalledLauncher() << " %f\n";
  registry.deleteAppFromLoginItem();
  EXPECT_FALSE(fs::exists(ours));
  EXPECT_FALSE(fs::exists(folder / "copy.desktop"));
  EXPECT_TRUE(fs::exists(folder / "mail.desktop"));
  registry.addAppAsLaunchAgents();
  registry.deleteAppFromLaunchAgents();
  EXPECT_TRUE(fs::exists(folder / "mail.desktop"));
}

}  // namespace
}  // namespace quellsy::ui
