// The installed desktop files, checked by the tools that read them: desktop-file-validate for the entry, librsvg
// for the icon, update-mime-database and GIO for the scan-result file type, and polkitd (through pkaction) for the
// policy. Each names what the others install.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "FXRLoader/StagedInstall.h"
#include "FileArchive/CRSData.h"
#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

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

TEST(InstalledFiles, PolkitReadsThePolicyForTheInstalledHelper) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  // The helper is installed where the policy says, which is how pkexec finds the policy for it.
  EXPECT_TRUE(IsExecutable(staged.Staged(staged.helper))) << staged.helper;

  const std::string& action = staged.action;
  TempDir dir;
  const FixtureRun run = RunFixture("tests/FXRLoader/pkaction-on-private-bus.sh",
                                    {staged.policy.parent_path().string(), action, (dir / "answer").string()});
  QUELLSY_REQUIRE_FIXTURE(run);
  std::ifstream in(dir / "answer");
  const std::string answer{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  for (const std::string& line : std::vector<std::string>{
           action + ":\n", "implicit any:      auth_admin_keep\n", "implicit inactive: auth_admin_keep\n",
        "implicit active:   auth_admin_keep\n",
        "annotation:        org.freedesktop.policykit.exec.path -> " + staged.helper + "\n",
        "annotation:        org.freedesktop.policykit.exec.allow_gui -> true\n"})
    EXPECT_NE(answer.find(line), std::string::npos) << "no line \"" << line << "\" in:\n" << answer;
}

}  // namespace
}  // namespace quellsy::test
