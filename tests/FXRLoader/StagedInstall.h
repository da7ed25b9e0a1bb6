#pragma once
// What `cmake --install` puts on a machine, installed once per test run into a staging folder (DESTDIR), and the
// names its desktop files give one another: the launcher the desktop entry starts, the helper the polkit policy
// names, the icon and the file type.

#include <filesystem>
#include <string>

namespace quellsy::test {

struct StagedInstall {
  bool made = false;
  std::string why;  // what went wrong when not made

  std::filesystem::path root;  // the staging folder; an installed path P lies at root / P
  std::filesystem::path desktopEntry;
  std::filesystem::path policy;
  std::filesystem::path mimePackage;
  std::filesystem::path mimeFolder;  // share/mime, where update-mime-database writes its tables

  std::string launcher;  // installed path, from the desktop entry's Exec line
  std::string action;    // the policy's action
  std::string helper;    // installed path, from the policy's exec.path
  std::string icon;      // the desktop entry's Icon
  std::string mimeType;  // the desktop entry's MimeType

  std::filesystem::path Staged(const std::string& installedPath) const;
};

// Made on first use and removed when the test program ends.
const StagedInstall& GetStagedInstall();

}  // namespace quellsy::test

#define QUELLSY_REQUIRE_STAGED_INSTALL(staged) \
  ASSERT_TRUE((staged).made) << "the installed files could not be staged: " << (staged).why
