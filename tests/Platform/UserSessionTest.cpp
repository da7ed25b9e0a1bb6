// Programs of the user's session: the environment made for the invoking user, and programs started as that user
// (uid, groups, home, environment), detached, without our open files.

#include "Platform/UserSession.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>
#include <thread>

#include "support/RecordingProgram.h"
#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

std::optional<InvokingUser> Nobody() {
  const passwd* entry = getpwnam("nobody");
  if (!entry) return std::nullopt;
  return InvokingUser{entry->pw_uid, entry->pw_gid, entry->pw_name, entry->pw_dir};
}

void MakeSocket(const fs::path& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

std::map<std::string, std::string> AsMap(const std::vector<std::string>& environment) {
  std::map<std::string, std::string> values;
  for (const std::string& entry : environment) {
    const auto equals = entry.find('=');
    EXPECT_TRUE(values.emplace(entry.substr(0, equals), entry.substr(equals + 1)).second) << "twice: " << entry;
  }
  return values;
}

TEST(UserSession, TheEnvironmentIsMadeForTheUserFromWhatTheSessionGaveUs) {
  const InvokingUser user{geteuid() == 0 ? 4242u : geteuid(), 4242, "alice", "/home/alice"};
  const std::map<std::string, std::string> ours = {
      {"DISPLAY", ":1"},        {"XAUTHORITY", "/home/alice/.Xauthority"}, {"WAYLAND_DISPLAY", "wayland-0"},
      {"LANG", "de_DE.UTF-8"},  {"XDG_CURRENT_DESKTOP", "GNOME"},         {"HOME", "/root"},
      {"PATH", "/usr/sbin:/sbin"}, {"LD_PRELOAD", "/tmp/evil.so"},         {"PKEXEC_UID", "4242"},
      {"XDG_CONFIG_HOME", "/root/.config"}};
  const auto lookup = [&](const char* name) -> const char* {
    const auto found = ours.find(name);
    return found == ours.end() ? nullptr : found->second.c_str();
  };
  test::TempDir runtimeRoot;
  const auto values = AsMap(UserSessionEnvironment(user, lookup, runtimeRoot.path()));
  const std::map<std::string, std::string> expected = {
      {"HOME", "/home/alice"}, {"USER", "alice"},   {"LOGNAME", "alice"}, {"PATH", "/usr/local/bin:/usr/bin:/bin"},
      {"DISPLAY", ":1"},       {"XAUTHORITY", "/home/alice/.Xauthority"}, {"WAYLAND_DISPLAY", "wayland-0"},
      {"LANG", "de_DE.UTF-8"}, {"XDG_CURRENT_DESKTOP", "GNOME"}};
  // No runtime folder of the user's: none given, no session bus guessed.
  EXPECT_EQ(values, expected);
}

TEST(UserSession, TheUsersRuntimeFolderAndSessionBusAreFoundWhenTheUserOwnsThem) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a runtime folder to another user";
  const InvokingUser user{4242, 4242, "alice", "/home/alice"};
  test::TempDir root;
  const fs::path runtime = root / "4242";
  fs::create_directory(runtime);
  MakeSocket(runtime / "bus");
  const auto noVariables = [](const char*) -> const char* { return nullptr; };

  // Root's own folder is not the user's: nothing is taken from it.
  auto values = AsMap(UserSessionEnvironment(user, noVariables, root.path()));
  EXPECT_EQ(values.count("XDG_RUNTIME_DIR"), 0u);
  EXPECT_EQ(values.count("DBUS_SESSION_BUS_ADDRESS"), 0u);

  ASSERT_EQ(chown(runtime.c_str(), 4242, 4242), 0);
  values = AsMap(UserSessionEnvironment(user, noVariables, root.path()));
  EXPECT_EQ(values["XDG_RUNTIME_DIR"], runtime.string());
  EXPECT_EQ(values.count("DBUS_SESSION_BUS_ADDRESS"), 0u);  // the socket is still root's

  ASSERT_EQ(lchown((runtime / "bus").c_str(), 4242, 4242), 0);
  values = AsMap(UserSessionEnvironment(user, noVariables, root.path()));
  EXPECT_EQ(values["DBUS_SESSION_BUS_ADDRESS"], "unix:path=" + (runtime / "bus").string());

  // What the session gave us wins over the guess.
  const auto given = [&](const char* name) -> const char* {
    if (std::string(name) == "XDG_RUNTIME_DIR") return runtime.c_str();
    if (std::string(name) == "DBUS_SESSION_BUS_ADDRESS") return "unix:path=/run/user/4242/other";
    return nullptr;
  };
  values = AsMap(UserSessionEnvironment(user, given, "/nonexistent"));
  EXPECT_EQ(values["XDG_RUNTIME_DIR"], runtime.string());
  EXPECT_EQ(values["DBUS_SESSION_BUS_ADDRESS"], "unix:path=/run/user/4242/other");
}

class StartedProgram : public ::testing::Test {
 protected:
  // Waits for the record the started program writes last; the program is no child of ours to wait for.
  std::optional<test::ProgramRecord> WaitForRecord() const {
    for (int i = 0; i < 3000; ++i) {
      if (auto record = test::ReadProgramRecord(recorder_)) return record;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  test::TempDir dir_;
  const fs::path recorder_ = test::WriteRecordingProgram(dir_.path());
};

TEST_F(StartedProgram, RunsAsTheUserWithTheUsersEnvironmentAndNoneOfOurFiles) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start a program as another user";
  const auto nobody = Nobody();
  if (!nobody) GTEST_SKIP() << "this system has no user \"nobody\" to start a program as";
  // A file of ours open without close-on-exec, as a device we scan might be.
  const int held = open(recorder_.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(dup2(held, 77), 77);

  const std::vector<std::string> environment = {"HOME=/", "USER=nobody", "PATH=/usr/bin:/bin", "DISPLAY=:7"};
  const bool started = StartDetachedProgram({recorder_.string(), "https://example.org/a b"}, environment, &*nobody);
  close(77);
  close(held);
  ASSERT_TRUE(started);
  const auto record = WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->uid, std::to_string(nobody->uid));
  // The user's own groups: its primary one first, root's gone.
  std::istringstream groupList(record->groups);
  const std::vector<std::string> groups{std::istream_iterator<std::string>(groupList), {}};
  ASSERT_FALSE(groups.empty());
  EXPECT_EQ(groups.front(), std::to_string(nobody->gid));
  EXPECT_EQ(std::count(groups.begin(), groups.end(), "0"), 0) << record->groups;
  EXPECT_EQ(record->folder, "/");  // its home does not exist
  EXPECT_EQ(record->arguments, "https://example.org/a b");
  EXPECT_EQ(record->descriptor77, "closed");
  EXPECT_NE(record->environment.find("DISPLAY=:7\n"), std::string::npos) << record->environment;
  EXPECT_EQ(record->environment.find("PKEXEC_UID"), std::string::npos) << record->environment;
}

TEST_F(StartedProgram, RunsAsWeAreWithoutAUserAndAMissingProgramIsNotStarted) {
  ASSERT_TRUE(StartDetachedProgram({"recorder", "x"}, {"PATH=/nonexistent:" + dir_.path().string() + ":/usr/bin:/bin"}));
  const auto record = WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->uid, std::to_string(geteuid()));
  EXPECT_EQ(record->arguments, "x");

  EXPECT_FALSE(StartDetachedProgram({"no-such-program-here"}, {"PATH=" + dir_.path().string()}));
  EXPECT_FALSE(StartDetachedProgram({}, {}));
  EXPECT_FALSE(StartDetachedProgram({(dir_ / "record").string()}, {}));  // not executable
}

}  // namespace
}  // namespace quellsy::platform
