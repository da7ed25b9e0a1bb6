// The installed desktop files, checked by the tools that read them: desktop-file-validate for the entry, librsvg
// for the icon, update-mime-database and GIO for the scan-result file type, polkitd (through pkaction) and pkexec
// for the policy. Each names what the others install.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "FXRLoader/RecordedFiles.h"
#include "FXRLoader/StagedInstall.h"
#include "FileArchive/CRSData.h"
#include "Platform/InstalledPrograms.h"
#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPolkitInNamespace = "tests/FXRLoader/polkit-in-namespace.sh";

bool IsExecutable(const fs::path& file) {
  struct stat status {};
  return stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & S_IXOTH) != 0;
}

TEST(InstalledFiles, TheDesktopEntryIsValidAndNamesWhatIsInstalled) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  int status = -1;
  const std::string complaints =
      CommandOutput("desktop-file-validate " + ShellQuoted(staged.desktopEntry.string()) + " 2>&1", status);
  EXPECT_EQ(status, 0) << complaints;
  EXPECT_EQ(complaints, "");

  EXPECT_TRUE(IsExecutable(staged.Staged(staged.launcher))) << staged.launcher;
  const fs::path icon = staged.desktopEntry.parent_path().parent_path() / "icons/hicolor/scalable/apps" /
                        (staged.icon + ".svg");
  ASSERT_TRUE(fs::is_regular_file(icon)) << icon;
  TempDir dir;
  const std::string drawn = CommandOutput("rsvg-convert -w 48 -h 48 -o " + ShellQuoted((dir / "icon.png").string()) +
                                              " " + ShellQuoted(icon.string()) + " 2>&1",
                                          status);
  EXPECT_EQ(status, 0) << drawn;
  EXPECT_GT(fs::file_size(dir / "icon.png"), 0u);
}

TEST(InstalledFiles, SavedScanResultsAreKnownByTheirNameAndTheirContent) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  TempDir dir;
  fs::create_directories(dir / "no-user-data");
  // The staged data folder is where the tools look, and the user's own is empty.
  const std::string dataFolders = "XDG_DATA_HOME=" + ShellQuoted((dir / "no-user-data").string()) +
                                  " XDG_DATA_DIRS=" +
                                  ShellQuoted(staged.mimeFolder.parent_path().string() + ":/usr/share") + " ";
  int status = -1;
  const std::string built =
      CommandOutput(dataFolders + "update-mime-database " + ShellQuoted(staged.mimeFolder.string()) + " 2>&1", status);
  ASSERT_EQ(status, 0) << built;
  EXPECT_EQ(built, "");  // no complaint about the package

  // A scan-result file as the archive writes it, under a name that says nothing.
  {
    CRSData archive(RS_MODE_WRITE);
    ASSERT_TRUE(archive.StartRS((dir / "saved-scan").c_str(), 1));
    FILEHEADER header;
    header.status = FILE_STATUS_SAVED;
    ASSERT_TRUE(archive.WriteFileHeader(header));
    archive.EndRS();
  }
  std::ofstream(dir / "named.Vortrane") << "only the name says it\n";
  std::ofstream(dir / "lower.vortrane") << "the name's case differs\n";
  const struct {
    const char* file;
    bool ours;
  } cases[] = {{"saved-scan", true}, {"named.Vortrane", true}, {"lower.vortrane", false}};
  for (const auto& c : cases) {
    const std::string type = CommandOutput(
        dataFolders + "gio info -a standard::content-type " + ShellQuoted((dir / c.file).string()) + " 2>&1", status);
    ASSERT_EQ(status, 0) << type;
    EXPECT_EQ(type.find("standard::content-type: " + staged.mimeType + "\n") != std::string::npos, c.ours)
        << c.file << ": " << type;
  }
}

// The installed prefix, from where the launcher lies in it.
std::string PrefixOf(const StagedInstall& staged) {
  return fs::path(staged.launcher).parent_path().parent_path().string();
}

TEST(InstalledFiles, PolkitReadsThePolicyForTheInstalledHelper) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  // The helper is installed where the policy says, which is how pkexec finds the policy for it.
  EXPECT_TRUE(IsExecutable(staged.Staged(staged.helper))) << staged.helper;

  TempDir dir;
  const FixtureRun run =
      RunFixture(kPolkitInNamespace, {staged.root.string(), PrefixOf(staged), "--", "sh", "-c",
                                      "pkaction --verbose --action-id \"$1\" > \"$2\"", "sh", staged.action,
                                      (dir / "answer").string()});
  QUELLSY_REQUIRE_FIXTURE(run);
  const std::string answer = Text(dir / "answer");
  for (const std::string& line : std::vector<std::string>{
           staged.action + ":\n", "implicit any:      auth_admin_keep\n", "implicit inactive: auth_admin_keep\n",
           "implicit active:   auth_admin_keep\n",
           "annotation:        org.freedesktop.policykit.exec.path -> " + staged.helper + "\n",
           "annotation:        org.freedesktop.policykit.exec.allow_gui -> true\n"})
    EXPECT_NE(answer.find(line), std::string::npos) << "no line \"" << line << "\" in:\n" << answer;
}

// The whole way as root with the real pkexec: the installed launcher, its waiter, pkexec finding the policy through
// the helper's path, the helper, and a stand-in for the windowed program at its installed path.
TEST(InstalledFiles, TheRealPkexecStartsTheProgramThroughTheHelper) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  TempDir dir;
  const fs::path program = staged.Staged(platform::InstalledMainProgram());
  fs::create_directories(program.parent_path());
  std::ofstream(program) << "#!/bin/sh\n"
                            "printf '%s\\0' \"$@\" > '" << (dir / "argv").string() << "'\n"
                            "cat /proc/$$/environ > '" << (dir / "environ").string() << "'\n"
                            "id -u > '" << (dir / "uid").string() << "'\n"
                            "echo started > '" << (dir / "started").string() << "'\n";
  fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  ASSERT_EQ(mkfifo((dir / "started").c_str(), 0600), 0);
  std::ofstream(dir / "xauthority") << "cookie";
  const std::string document = "/srv/scans/card 1.Vortrane";

  // The launcher ends at once; the shell then waits for the program to say it started (five minutes at most, a
  // guard against a broken chain, never reached when it works).
  const FixtureRun run = RunFixture(
      kPolkitInNamespace,
      {staged.root.string(), PrefixOf(staged), "--", "sh", "-c",
       "env -i PATH=/usr/bin:/bin HOME=\"$1\" XDG_CONFIG_HOME=\"$1/config\" LANG=pt_BR.UTF-8 DISPLAY=:3 "
       "XAUTHORITY=\"$1/xauthority\" \"$2\" \"$3\" && timeout 300 cat \"$1/started\"",
       "sh", dir.path().string(), staged.launcher, document});
  QUELLSY_REQUIRE_FIXTURE(run);
  EXPECT_EQ(Fields(dir / "argv"), (std::vector<std::string>{"pt-BR*loaderflag*", document}));
  EXPECT_EQ(Text(dir / "uid"), "0\n");
  const auto environment = Fields(dir / "environ");
  for (const std::string& expected : {std::string("DISPLAY=:3"), "XAUTHORITY=" + (dir / "xauthority").string(),
                                      std::string("PKEXEC_UID=0")})
    EXPECT_NE(std::find(environment.begin(), environment.end(), expected), environment.end()) << expected;
}

}  // namespace
}  // namespace quellsy::test
