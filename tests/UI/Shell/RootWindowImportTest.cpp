// The main window's Import on the scripted backend, with the hooks the program installs: the open panel, the
// restore under the progress window, the hand-over to the results window on success; a failed or damaged file
// said in words with the main window left as it was; and the scan-result file named at start-up opened without
// the panel.

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <memory>

#include "Bridge/BackgroundTasks.h"
#include "FakeResultsWindow.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/RootWindowHooks.h"
#include "UI/Shell/ScanResultImport.h"
#include "UI/Shell/ShellServices.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/qt/HeldLook.h"

namespace quellsy::ui {
namespace {

class RootWindowImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserDefaults::ResetForTests();
    ModalRunner::ResetForTests();
    RootWindowHooks hooks;
    hooks.importScanResult = ImportScanResult;
    hooks.openScanResult = OpenScanResult;
    SetRootWindowHooks(std::move(hooks));
    ModalRunner::setRunObserver([this](QWidget* window) {
      if (window->objectName() == QStringLiteral("progressWindow")) {
        QTimer::singleShot(0, window, [this] { backend_.RunToEnd(); });
      } else if (auto* alert = qobject_cast<AlertPanel*>(window)) {
        alerts_.push_back(alert->informativeText());
        QTest::mouseClick(alert->button(AlertPanel::kDefaultReturn), Qt::LeftButton);
      }
    });
    QObject::connect(&panelWatch_, &QTimer::timeout, [this] { AnswerPanel(); });
    panelWatch_.start(1);
    std::ofstream(file_) << "saved";
  }
  void TearDown() override {
    for (const auto& held : held_) held->Release();
    bridge::BackgroundTasks::Instance().WaitForAll();
    panelWatch_.stop();
    SetRootWindowHooks({});
    ModalRunner::ResetForTests();
    UserDefaults::ResetForTests();
  }

  void AnswerPanel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* panel = qobject_cast<QFileDialog*>(widget);
      if (!panel || !panel->isVisible() || panel->objectName() != QStringLiteral("importPanel")) continue;
      ++panels_;
      panelFolder_ = panel->directory().absolutePath();
      panelSelected_ = panel->selectedFiles().value(0);
      if (cancel_) {
        panel->reject();
      } else {
        panel->selectFile(QString::fromStdString(file_.string()));
        static_cast<QDialog*>(panel)->accept();
      }
    }
  }

  // Import clicked; returns once the last saved file has been looked at and what followed has run.
  static void ClickImport(KDRootWindowController& root) {
    QTest::mouseClick(root.importButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ImportCheck(root)->running(); }));
  }

  KDRootWindowController& Shown() {
    root_ = std::make_unique<KDRootWindowController>();
    root_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(root_->window()));
    return *root_;
  }

  test::TempDir home_;
  const std::string config_ = (home_ / ".config").string();
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  const std::filesystem::path file_ = home_ / "card.Vortrane";
  ScriptedBackend backend_;
  ShellServices services_{backend_, "en"};
  test::FakeResultsWindows results_;
  std::unique_ptr<KDRootWindowController> root_;
  QTimer panelWatch_;
  int panels_ = 0;
  QString panelFolder_;    // where the last panel started
  QString panelSelected_;  // and the file chosen in it before the answer
  std::vector<std::shared_ptr<test::HeldLook>> held_;
  bool cancel_ = false;
  std::vector<QString> alerts_;
};

TEST_F(RootWindowImportTest, TheChosenFileOpensInAResultsWindowAndTheMainWindowHandsOver) {
  KDRootWindowController& root = Shown();
  ASSERT_TRUE(root.importButton()->isVisible());
  ClickImport(root);
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1 && results_.Last().window && results_.Last().window->isVisible(); }));
  EXPECT_EQ(panels_, 1);
  EXPECT_EQ(results_.Last().importPath, file_.string());
  EXPECT_FALSE(results_.Last().importCleared);
  EXPECT_FALSE(results_.Last().gotData) << "nothing is scanned";
  EXPECT_EQ(root.importFilePath(), file_.string());
  EXPECT_NE(root.deletailWC(), nullptr);
  EXPECT_FALSE(root.window()->isVisible());
  EXPECT_TRUE(alerts_.empty());
  const auto& calls = backend_.Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "beginSaveOrRestoreNode"), calls.end());
}

TEST_F(RootWindowImportTest, CancellingThePanelChangesNothing) {
  KDRootWindowController& root = Shown();
  cancel_ = true;
  ClickImport(root);
  EXPECT_EQ(panels_, 1);
  EXPECT_EQ(results_.Made(), 0);
  EXPECT_TRUE(root.window()->isVisible());
}

TEST_F(RootWindowImportTest, ADamagedFileIsSaidInWordsAndTheMainWindowStaysUsable) {
  KDRootWindowController& root = Shown();
  backend_.Failures().restoreError = 9;  // a record of the file is damaged
  ClickImport(root);
  ASSERT_EQ(results_.Made(), 1);
  EXPECT_EQ(alerts_, std::vector<QString>{Text("READ_RSF_FAILED")});
  EXPECT_TRUE(results_.Last().importCleared);
  EXPECT_TRUE(results_.Last().window.isNull()) << "the prepared results window is gone";
  EXPECT_TRUE(root.window()->isVisible());
  EXPECT_EQ(root.deletailWC(), nullptr);

  // The next import works.
  // The main window is given back the activation, and with it its title bar's buttons.
  ASSERT_TRUE(QTest::qWaitForWindowActive(root.window()));
  backend_.Failures().restoreError = 0;
  ClickImport(root);
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 2 && results_.Last().window && results_.Last().window->isVisible(); }));
  EXPECT_EQ(alerts_.size(), 1u);
  EXPECT_FALSE(root.window()->isVisible());
}

TEST_F(RootWindowImportTest, TheWindowGoesOnWhileTheLastSavedFileIsLookedAtThenThePanelOpensOnIt) {
  backend_.SavePathToPList(file_.string());
  KDRootWindowController& root = Shown();
  DestinationCheck* check = ImportCheck(root);
  DestinationProbe probe = check->probe();
  const auto held = held_.emplace_back(std::make_shared<test::HeldLook>());
  probe.isFile = test::HeldLook::Holding(held, probe.isFile);
  check->setProbe(probe);
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return held->asked == 1; }));
  EXPECT_TRUE(check->running());
  // The GUI thread still runs its timers, and a second Import meanwhile opens no panel.
  bool fired = false;
  QTimer::singleShot(0, root.window(), [&fired] { fired = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }));
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
  QTest::qWait(5);
  EXPECT_EQ(panels_, 0);
  EXPECT_TRUE(root.window()->isVisible());

  held->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1 && results_.Last().window && results_.Last().window->isVisible(); }));
  EXPECT_EQ(panels_, 1);
  EXPECT_EQ(held->asked, 1);
  EXPECT_FALSE(held->askedOnGuiThread);
  // The panel opened in the last saved file's folder with that file chosen.
  EXPECT_EQ(panelFolder_.toStdString(), home_.path().string());
  EXPECT_EQ(panelSelected_.toStdString(), file_.string());
}

TEST_F(RootWindowImportTest, TheFileNamedAtStartUpOpensOnceWithoutThePanel) {
  QPointer<TCImageWindow> window = KDRootWindowController::MakeMainWindow(file_.string());
  ASSERT_NE(window, nullptr);
  auto* root = window->findChild<KDRootWindowController*>();
  ASSERT_NE(root, nullptr);
  root->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1 && results_.Last().window && results_.Last().window->isVisible(); }));
  EXPECT_EQ(panels_, 0);
  EXPECT_EQ(results_.Last().importPath, file_.string());
  // The main window handed over and went with its controller.
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
}

}  // namespace
}  // namespace quellsy::ui
