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
      if (cancel_) {
        panel->reject();
      } else {
        panel->selectFile(QString::fromStdString(file_.string()));
        static_cast<QDialog*>(panel)->accept();
      }
    }
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
  bool cancel_ = false;
  std::vector<QString> alerts_;
};

TEST_F(RootWindowImportTest, TheChosenFileOpensInAResultsWindowAndTheMainWindowHandsOver) {
  KDRootWindowController& root = Shown();
  ASSERT_TRUE(root.importButton()->isVisible());
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
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
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
  EXPECT_EQ(panels_, 1);
  EXPECT_EQ(results_.Made(), 0);
  EXPECT_TRUE(root.window()->isVisible());
}

TEST_F(RootWindowImportTest, ADamagedFileIsSaidInWordsAndTheMainWindowStaysUsable) {
  KDRootWindowController& root = Shown();
  backend_.Failures().restoreError = 9;  // a record of the file is damaged
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
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
  QTest::mouseClick(root.importButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 2 && results_.Last().window && results_.Last().window->isVisible(); }));
  EXPECT_EQ(alerts_.size(), 1u);
  EXPECT_FALSE(root.window()->isVisible());
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
