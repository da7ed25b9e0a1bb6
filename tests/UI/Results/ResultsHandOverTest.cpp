// The main window and the results window together, as the program installs them: the scan chosen on the main
// window's pages runs in a results window, and going back home after it opens a main window again.

#include <QLabel>
#include <QTest>

#include "ResultsWindowFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/KDSelectDiskViewController.h"
#include "UI/Shell/KDSelectTypeViewController.h"
#include "UI/Shell/ResultsWindowHandOver.h"

namespace quellsy::ui::test {
namespace {

class ResultsHandOver : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    UseBackend(backend_);
    SetResultsWindowFactory(KDDeletailWindowController::Make);
    KDRootWindowController::SetScanStartDelay(std::chrono::milliseconds(0));
    KDSelectDiskViewController::SetRefillDelay(std::chrono::milliseconds(0));
  }
  void TearDown() override {
    SetResultsWindowFactory(nullptr);
    KDRootWindowController::SetScanStartDelay(KDRootWindowController::kDefaultScanStartDelay);
    KDSelectDiskViewController::SetRefillDelay(KDSelectDiskViewController::kDefaultRefillDelay);
    ResultsWindowFixture::TearDown();
  }

  // The results window on screen, if any.
  static KDDeletailWindowController* ShownResults() {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* results = top->findChild<KDDeletailWindowController*>(QString(), Qt::FindDirectChildrenOnly);
          results && top->isVisible())
        return results;
    return nullptr;
  }

  // A main window on screen, with what it was told about being the first.
  static const KDRootWindowController* ShownRoot() {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* root = top->findChild<KDRootWindowController*>(QString(), Qt::FindDirectChildrenOnly);
          root && top->isVisible())
        return root;
    return nullptr;
  }

  ScriptedBackend backend_;
};

TEST_F(ResultsHandOver, TheChosenScanRunsInTheResultsWindowAndBackHomeOpensAMainWindowAgain) {
  TCImageWindow* main = KDRootWindowController::MakeMainWindow(std::string());
  ASSERT_NE(main, nullptr);
  main->show();
  auto* root = main->findChild<KDRootWindowController*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(root, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  QTest::mouseClick(root->selectTypeVC()->nextButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return root->whichPage() == 3; }));
  QTest::mouseClick(root->continueButton(), Qt::LeftButton);

  ASSERT_TRUE(QTest::qWaitFor([] { return ShownResults() != nullptr; }));
  KDDeletailWindowController* results = ShownResults();
  ASSERT_TRUE(QTest::qWaitFor([&] { return backend_.IsScanRunning(); })) << "the results window started the scan";
  EXPECT_EQ(results->findFilesLabel()->text(), QStringLiteral("Please wait..."));
  backend_.RunToEnd();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results->recovertyButton()->isDisabled(); }));
  EXPECT_TRUE(results->selectFilesLabel()->isVisible());

  results->setBSave(true);
  QPointer<QWidget> resultsWindow = results->window();
  QTest::mouseClick(results->backHomeButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return resultsWindow.isNull(); }));
  ASSERT_TRUE(QTest::qWaitFor([] { return ShownRoot() != nullptr; }));
  EXPECT_TRUE(ShownRoot()->isNotFristLoad());
}

}  // namespace
}  // namespace quellsy::ui::test
