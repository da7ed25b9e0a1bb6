// Whether another program runs, by the kernel's short command names: a made-up process folder for the rules,
// and real child processes named through prctl for the real /proc.

#include "Bridge/ProcessNames.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Bridge/KDCPPPublic.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

struct Entry {
  std::string folder;
  std::string comm;
};

struct ProcCase {
  std::vector<Entry> entries;
  pid_t self;
  bool running;
};

TEST(ProcessNames, CommandNameMustBeTheStartOfTheProductName) {
  const std::vector<ProcCase> cases{
      {{{"1", "systemd\n"}, {"812", "bash\n"}}, 99, false},
      {{{"1", "systemd\n"}, {"812", "Vortrane\n"}}, 99, true},
      {{{"812", "VORTRANE\n"}}, 99, true},    // case does not matter
      {{{"812", "vortr\n"}}, 99, true},       // compared over the command name's length
      {{{"812", "vortranex\n"}}, 99, false},  // longer than the product name
      {{{"812", "Vortrane\n"}}, 812, false},  // this process
      {{{"812", "\n"}}, 99, false},           // empty names are skipped
      {{{"0", "Vortrane\n"}}, 99, false},     // no process 0
      {{{"self", "Vortrane\n"}, {"12abc", "Vortrane\n"}}, 99, false},  // not process folders
      {{{"812", ""}}, 99, false},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    TempDir proc;
    for (const Entry& e : cases[i].entries) {
      std::filesystem::create_directories(proc / e.folder);
      std::ofstream(proc / e.folder / "comm") << e.comm;
    }
    std::filesystem::create_directories(proc / "4711");  // a process that ended while being listed: no comm
    EXPECT_EQ(bridge::IsProcessRunning("Vortrane", proc.path(), cases[i].self), cases[i].running) << "case " << i;
  }
  EXPECT_FALSE(bridge::IsProcessRunning("Vortrane", "/nonexistent/proc", 1));
}

// A child process that carries a given command name until it is let go.
class NamedChild {
 public:
  explicit NamedChild(const char* name) {
    int ready[2], hold[2];
    if (pipe(ready) != 0 || pipe(hold) != 0) throw std::runtime_error("pipe");
    m_pid = fork();
    if (m_pid < 0) throw std::runtime_error("fork");
    if (m_pid == 0) {
      // Only the parent may hold the write end of hold: its close is what lets the child go.
      close(hold[1]);
      close(ready[0]);
      prctl(PR_SET_NAME, name);
      char byte = 1;
      if (write(ready[1], &byte, 1) != 1) _exit(1);
      while (read(hold[0], &byte, 1) > 0) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(hold[0]);
    m_hold = hold[1];
    char byte = 0;
    m_started = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
  }
  ~NamedChild() {
    close(m_hold);
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
  bool started() const { return m_started; }

 private:
  pid_t m_pid = -1;
  int m_hold = -1;
  bool m_started = false;
};

TEST(ProcessNames, FindsRunningProgramsInProc) {
  const KDCPPPublic& utilities = *KDCPPPublic::instance();
  struct Case {
    const char* name;
    bool diskFile, dataProtect;
  };
  for (const Case c : {Case{"vortrane", false, false}, Case{"Kestravue", true, false}, Case{"Fendrolock", false, true},
                       Case{"unrelated", false, false}}) {
    NamedChild child(c.name);
    ASSERT_TRUE(child.started());
    // Whether the application itself runs is the instance lock's to say, never a process name.
    EXPECT_FALSE(utilities.IsAppRunning()) << c.name;
    EXPECT_EQ(utilities.IsDiskFileAppRunning(), c.diskFile) << c.name;
    EXPECT_EQ(utilities.IsDataProtectAppRunning(), c.dataProtect) << c.name;
  }
  EXPECT_FALSE(utilities.IsDiskFileAppRunning());  // the children have been reaped
}

// A name of its own, so that tests running beside this one in other processes never see it.
TEST(ProcessNames, ThisProcessDoesNotCount) {
  std::array<char, 17> oldName{};
  ASSERT_EQ(prctl(PR_GET_NAME, oldName.data()), 0);
  const std::string name = "self" + std::to_string(getpid());
  ASSERT_EQ(prctl(PR_SET_NAME, name.c_str()), 0);
  const bool running = bridge::IsProcessRunning(name);
  prctl(PR_SET_NAME, oldName.data());
  EXPECT_FALSE(running);
  NamedChild other(name.c_str());  // the same name in another process does count
  ASSERT_TRUE(other.started());
  EXPECT_TRUE(bridge::IsProcessRunning(name));
}

// The program's claim: refused while another holder has the user's lock, and then the application counts as
// running; a process that never claims sees no other.
TEST(SingleInstance, TheClaimIsRefusedWhileAnotherHoldsTheUsersLock) {
  TempDir state;
  const std::string base = state.path().string();
  const ScopedEnv stateHome("XDG_STATE_HOME", base.c_str());
  const ScopedEnv pkexec("PKEXEC_UID", nullptr);
  const ScopedEnv sudo("SUDO_UID", nullptr);
  KDCPPPublic::ResetForTests();
  KDCPPPublic& utilities = *KDCPPPublic::instance();
  {
    const platform::InstanceLock other = platform::InstanceLock::TryForUser();
    ASSERT_EQ(other.outcome(), platform::InstanceLock::Outcome::kHeld);
    EXPECT_FALSE(utilities.IsAppRunning()) << "not claimed yet";
    EXPECT_FALSE(utilities.ClaimSingleInstance());
    EXPECT_TRUE(utilities.IsAppRunning());
  }
  KDCPPPublic::ResetForTests();
  EXPECT_FALSE(utilities.IsAppRunning());
  EXPECT_TRUE(utilities.ClaimSingleInstance());
  EXPECT_FALSE(utilities.IsAppRunning());
  EXPECT_EQ(platform::InstanceLock::TryForUser().outcome(), platform::InstanceLock::Outcome::kHeldElsewhere)
      << "held by the claim";
  KDCPPPublic::ResetForTests();
  EXPECT_EQ(platform::InstanceLock::TryForUser().outcome(), platform::InstanceLock::Outcome::kHeld);
}

}  // namespace
}  // namespace quellsy::test
