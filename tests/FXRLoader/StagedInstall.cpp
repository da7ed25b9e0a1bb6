#include "FXRLoader/StagedInstall.h"

#include <memory>

#include "FXRLoader/RecordedFiles.h"
#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

// The first staged file whose path ends with `tail`.
fs::path Find(const fs::path& root, const std::string& folder, const std::string& extension) {
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && entry.path().parent_path().filename() == folder &&
        entry.path().extension() == extension)
      return entry.path();
  return {};
}

// What follows the first `before` up to the next of the `end` characters; empty when `before` is not there.
std::string After(const std::string& text, const std::string& before, const char* end) {
  const auto start = text.find(before);
  if (start == std::string::npos) return {};
  const auto from = start + before.size();
  return text.substr(from, text.find_first_of(end, from) - from);
}

StagedInstall Make(const fs::path& root) {
  StagedInstall staged;
  staged.root = root;
  const FixtureRun install = RunFixtureCommand("DESTDIR=" + ShellQuoted(root.string()) + " " +
                                               ShellQuoted(QUELLSY_CMAKE_COMMAND) + " --install " +
                                               ShellQuoted(QUELLSY_BUILD_DIR));
  if (!install.Made()) {
    staged.why = install.why;
    return staged;
  }
  staged.desktopEntry = Find(root, "applications", ".desktop");
  staged.policy = Find(root, "actions", ".policy");
  staged.mimePackage = Find(root, "packages", ".xml");
  if (staged.desktopEntry.empty() || staged.policy.empty() || staged.mimePackage.empty()) {
    staged.why = "the desktop entry, the polkit policy or the file type's package was not installed";
    return staged;
  }
  staged.mimeFolder = staged.mimePackage.parent_path().parent_path();
  const std::string entry = Text(staged.desktopEntry);
  staged.launcher = After(entry, "\nExec=", " \n");
  staged.icon = After(entry, "\nIcon=", "\n");
  staged.mimeType = After(entry, "\nMimeType=", ";\n");
  const std::string policy = Text(staged.policy);
  staged.action = After(policy, "<action id=\"", "\"");
  staged.helper = After(policy, "\"org.freedesktop.policykit.exec.path\">", "<");
  staged.made = true;
  return staged;
}

}  // namespace

fs::path StagedInstall::Staged(const std::string& installedPath) const {
  return root / fs::path(installedPath).relative_path();
}

const StagedInstall& GetStagedInstall() {
  static const auto folder = std::make_unique<TempDir>();
  static const StagedInstall staged = Make(folder->path() / "stage");
  return staged;
}

}  // namespace quellsy::test
