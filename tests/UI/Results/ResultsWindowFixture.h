#pragma once
// The results window on a backend, with its timers shortened and its clock in the test's hands, the settings
// ("PrivateData", the user defaults) in a folder of the test's own, and the alerts answered as the test says.

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Shell/ShellServices.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui::test {

class ResultsWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    UserDefaults::ResetForTests();
    KDPublicUtilities::SetPrivateDataPathsForTesting(home_ / "installed" / "PrivateData.plist",
                                                     home_ / "user" / "PrivateData.plist");
    ModalRunner::ResetForTests();
    ModalRunner::setRunObserver([this](QWidget* window) { Answer(window); });
  }

  void TearDown() override {
    ModalRunner::ResetForTests();
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) windows.emplace_back(window);
    for (const QPointer<QWidget>& window : windows) delete window.data();
    services_.reset();
    KDPublicUtilities::SetPrivateDataPathsForTesting({}, {});
    UserDefaults::ResetForTests();
  }

  // Installs the services around backend (kept for the test's length).
  void UseBackend(IFacadeBackend& backend) { services_ = std::make_unique<ShellServices>(backend, "en"); }

  ResultsWindowTimings Fast() {
    ResultsWindowTimings timings;
    timings.progressInterval = 5;
    timings.foundCountInterval = 5;
    timings.endCheckInterval = 5;
    timings.stopDelay = 1;
    timings.deepScanDelay = 1;
    timings.stopButtonDelay = 1;
    timings.hintShownFor = 600000;  // tests that want it gone sooner say so
    timings.backHomeDelay = 1;
    timings.fadeIn = 1;
    timings.now = [this] { return clock_; };
    return timings;
  }

  // A results window handed item as the root window hands it, shown.
  KDDeletailWindowController* Open(std::shared_ptr<DiskVolumeNodeData> item, int scanType = 1, int desktop = 0,
                                   std::optional<ResultsWindowTimings> timings = std::nullopt) {
    auto* controller = new KDDeletailWindowController(timings.value_or(Fast()));
    controller->setSelectDiskVolumeData(std::move(item));
    controller->setScanTypeNum(scanType);
    controller->setSelectDesktop(desktop);
    controller->window()->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    return controller;
  }

  // What to answer an alert of that name with ("alertDefaultButton", "alertAlternateButton", "alertOtherButton").
  void AnswerWith(const std::string& alert, const char* button) { answers_[alert] = button; }
  const std::vector<std::string>& AlertsShown() const { return alertsShown_; }
  // Sheets are answered from the event loop once shown: waits until the alert of that name was shown n times.
  bool WaitForAlert(const std::string& alert, std::size_t n = 1) {
    return QTest::qWaitFor([&] {
      return static_cast<std::size_t>(std::count(alertsShown_.begin(), alertsShown_.end(), alert)) >= n;
    });
  }

  static void Click(TCImageButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  qint64 clock_ = 1000000;

  // Answers window as AnswerWith says (the run observer's default).
  void Answer(QWidget* window) {
    const std::string name = window->objectName().toStdString();
    alertsShown_.push_back(name);
    const auto answer = answers_.find(name);
    if (answer == answers_.end()) return;
    if (auto* button = window->findChild<QPushButton*>(QString::fromLatin1(answer->second)))
      QTest::mouseClick(button, Qt::LeftButton);
  }

 private:
  quellsy::test::TempDir home_;
  const std::string config_ = (home_ / "config").string();
  quellsy::test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  std::unique_ptr<ShellServices> services_;
  std::map<std::string, const char*> answers_;
  std::vector<std::string> alertsShown_;
};

}  // namespace quellsy::ui::test
