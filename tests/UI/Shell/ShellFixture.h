#pragma once
// What the shell's window tests stand on: the user's settings in a folder of the test's own, an installed
// "PrivateData" the test writes (the program's build number and its link tables by language), the shell's
// services around the scripted backend, and links opened by a recording program instead of a browser.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bridge/KDPublicUtilities.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Kit/UserOpener.h"
#include "UI/Shell/KDAppDelegate.h"
#include "UI/Shell/ShellServices.h"
#include "support/RecordingProgram.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::test {

using LinkTables = std::map<std::string, std::map<std::string, std::string>>;

class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(installed_.parent_path());
    KDPublicUtilities::SetPrivateDataPathsForTesting(installed_, home_ / "config/Quellsy/PrivateData.plist");
    ui::UserDefaults::ResetForTests();
    ui::ModalRunner::ResetForTests();
    services_ = std::make_unique<ui::ShellServices>(backend_, "en");
    ui::SetOpenProgramForTests(opener_.string());
  }
  void TearDown() override {
    ui::SetOpenProgramForTests("");
    services_.reset();
    ui::ModalRunner::ResetForTests();
    ui::UserDefaults::ResetForTests();
    KDPublicUtilities::SetPrivateDataPathsForTesting({}, {});
    ui::Texts::Instance().SetLanguage(QStringLiteral("en"));
  }

  // The installed "PrivateData": the build number (none when nullopt) and one link table per language.
  void WriteInstalled(std::optional<int> versionCheck, const LinkTables& tables) {
    std::ofstream out(installed_);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>\n"
           "<key>Version</key><string>2.0</string>\n";
    if (versionCheck) out << "<key>VersionCheck</key><integer>" << *versionCheck << "</integer>\n";
    for (const auto& [language, links] : tables) {
      out << "<key>" << language << "</key><dict>\n";
      for (const auto& [key, address] : links) out << "<key>" << key << "</key><string>" << address << "</string>\n";
      out << "</dict>\n";
    }
    out << "</dict></plist>\n";
  }

  // The delegate's options: its clock stands at 2024-06-10 12:00:00, and the main windows it makes are plain
  // widgets that note the scan-result file they were given (the last one kept in rootWindow_).
  ui::AppDelegateOptions TestDelegateOptions() {
    ui::AppDelegateOptions options;
    options.makeRootWindow = [this](const std::string& importPath) {
      importPaths_.push_back(importPath);
      auto* window = new QWidget;
      window->setObjectName(QStringLiteral("testRootWindow"));
      window->setAccessibleName(QStringLiteral("main window"));
      rootWindow_.reset(window);
      return window;
    };
    options.clock = [] { return QDateTime(QDate(2024, 6, 10), QTime(12, 0, 0)); };
    return options;
  }

  // What the link opener was last started with; nothing while it has not run.
  std::optional<std::string> OpenedAddress() const {
    const auto record = ReadProgramRecord(opener_);
    return record ? std::optional<std::string>(record->arguments) : std::nullopt;
  }
  void ForgetOpened() const { std::filesystem::remove(opener_.parent_path() / "record"); }

  TempDir home_;
  const std::string config_ = (home_ / "config").string();
  ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  ScopedEnv invoking_{"PKEXEC_UID", nullptr};
  const std::filesystem::path installed_ = home_ / "install/PrivateData.plist";
  TempDir openerDir_;
  const std::filesystem::path opener_ = WriteRecordingProgram(openerDir_.path());
  ui::ScriptedBackend backend_;
  std::unique_ptr<ui::ShellServices> services_;
  std::vector<std::string> importPaths_;  // one per main window made
  std::unique_ptr<QWidget> rootWindow_;
};

}  // namespace quellsy::test
