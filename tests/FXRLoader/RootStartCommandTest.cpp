// The command line from the launcher through pkexec to the helper and on to the windowed program: built as separate
// arguments, read back by the helper, refused when it could smuggle an option in, and carried out by exec.

#include "FXRLoader/RootStartCommand.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "FXRLoader/RecordedFiles.h"
#include "support/TempDir.h"

namespace quellsy::launcher {
namespace {

namespace fs = std::filesystem;
using test::Fields;
using test::Sorted;

TEST(RootStartCommand, EachPartIsAnArgumentOfItsOwn) {
  const std::string hostile = "/home/u/my scans/it's $(id) `x`; rm -rf ~.Vortrane";
  EXPECT_EQ(PkexecArguments("/usr/libexec/quellsy/quellsy-root-start", {"DISPLAY=:0", "XDG_SESSION_TYPE=x11"}, "de",
                            hostile),
            (std::vector<std::string>{"pkexec", "/usr/libexec/quellsy/quellsy-root-start", "DISPLAY=:0",
                                      "XDG_SESSION_TYPE=x11", "--", "de*loaderflag*", hostile}));
  // Without a document the program gets one argument.
  EXPECT_EQ(PkexecArguments("/h", {}, "zh-Hant", std::nullopt),
            (std::vector<std::string>{"pkexec", "/h", "--", "zh-Hant*loaderflag*"}));
}

TEST(RootStartCommand, TheHelperReadsBackWhatTheLauncherBuilt) {
  test::TempDir dir;
  const std::string runtime = dir.path().string();
  const std::string file = "/home/u/scan -style.Vortrane";
  const auto argv = PkexecArguments("/h", {"DISPLAY=:5", "XDG_RUNTIME_DIR=" + runtime}, "pt-BR", file);
  // pkexec kept its own DISPLAY (allow_gui) and set the rest; the helper's word on display variables is final.
  const std::vector<std::string> pkexecEnvironment = {"PATH=/usr/sbin:/usr/bin", "PKEXEC_UID=1000", "DISPLAY=:9",
                                                      "HOME=/root"};
  const auto planned = PlanRootStart({argv.begin() + 2, argv.end()}, pkexecEnvironment, getuid());
  ASSERT_TRUE(std::holds_alternative<RootStartPlan>(planned)) << std::get<std::string>(planned);
  const auto& plan = std::get<RootStartPlan>(planned);
  EXPECT_EQ(plan.arguments, (std::vector<std::string>{"pt-BR*loaderflag*", file}));
  EXPECT_EQ(Sorted(plan.environment), Sorted({"PATH=/usr/sbin:/usr/bin", "PKEXEC_UID=1000", "HOME=/root",
                                              "DISPLAY=:5", "XDG_RUNTIME_DIR=" + runtime}));
  EXPECT_TRUE(plan.warnings.empty());

  // A display variable the helper refuses is gone altogether, also pkexec's copy of it.
  const auto refusing = PlanRootStart({"XAUTHORITY=relative", "--", "en*loaderflag*"},
                                      {"XAUTHORITY=/root/.Xauthority", "HOME=/root"}, getuid());
  ASSERT_TRUE(std::holds_alternative<RootStartPlan>(refusing));
  EXPECT_EQ(std::get<RootStartPlan>(refusing).environment, (std::vector<std::string>{"HOME=/root"}));
  EXPECT_EQ(std::get<RootStartPlan>(refusing).warnings,
            (std::vector<std::string>{"XAUTHORITY is not an absolute path"}));
}

TEST(RootStartCommand, CommandLinesOfAnotherFormAreRefused) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"en*loaderflag*"},                                          // no "--"
      {"--"},                                                      // no program arguments
      {"--", "en*loaderflag*", "/a.Vortrane", "/b.Vortrane"},     // too many
      {"--", "en"},                                                // no flag
      {"--", "*loaderflag*"},                                      // no language
      {"--", "-platformpluginpath*loaderflag*"},                   // an option in disguise
      {"--", "-platformpluginpath", "/tmp*loaderflag*"},
      {"--", "en*loaderflag*", "-style"},                          // the file is no absolute path
      {"--", "en*loaderflag*", "scan.Vortrane"},
      {"--", "en*loaderflag*", ""},
      {"--", "\xc3\xa9*loaderflag*"},
  };
  for (const auto& arguments : refused) {
    std::string shown;
    for (const auto& argument : arguments) shown += "[" + argument + "]";
    EXPECT_TRUE(std::holds_alternative<std::string>(PlanRootStart(arguments, {}, getuid()))) << shown;
  }
}

TEST(RootStartCommand, TheProgramGetsExactlyThePlannedArgumentsAndEnvironment) {
  test::TempDir dir;
  const fs::path stub = dir / "quellsy";
  std::ofstream(stub) << "#!/bin/sh\n"
                         "printf '%s\\0' \"$@\" > '" << (dir / "argv").string() << "'\n"
                         "cat /proc/$$/environ > '" << (dir / "environ").string() << "'\n";
  fs::permissions(stub, fs::perms::owner_all);
  const auto planned =
      PlanRootStart({"DISPLAY=:3", "--", "zh-Hant*loaderflag*", "/srv/a b.Vortrane"}, {"PKEXEC_UID=1000"}, getuid());
  ASSERT_TRUE(std::holds_alternative<RootStartPlan>(planned));
  const auto& plan = std::get<RootStartPlan>(planned);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(ExecRootStart(stub.c_str(), plan) == 0 ? 0 : 126);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Fields(dir / "argv"), (std::vector<std::string>{"zh-Hant*loaderflag*", "/srv/a b.Vortrane"}));
  EXPECT_EQ(Sorted(Fields(dir / "environ")), Sorted({"PKEXEC_UID=1000", "DISPLAY=:3"}));

  // A program that is not there: exec fails and says why.
  EXPECT_EQ(ExecRootStart((dir / "missing").c_str(), plan), ENOENT);
}

}  // namespace
}  // namespace quellsy::launcher
