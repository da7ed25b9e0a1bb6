// The scan-result progress window on the scripted backend: the bar follows the save or restore and never moves
// back, the end's codes decide success (0 and 6) or the failure alert, a load posts "ShowDetailWindow" once, and
// the close button ends it at once with the observers gone and a running restore stopped.

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ShellFixture.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Shell/KDProgressWindow.h"

namespace quellsy::test {
namespace {

using ui::KDProgressWindow;

constexpr const char* kLoadName = "NormalScranValue";
constexpr const char* kSaveName = "QueryProgressInfo";

class ProgressWindowTest : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    backend_.SetSaveSteps(4);
    ui::ObserveNotification(&watcher_, KDProgressWindow::kShowDetailWindow,
                            [this](const bridge::Notification&) { ++detailPosts_; });
    ui::ModalRunner::setRunObserver([this](QWidget* window) {
      if (window->objectName() == QStringLiteral("scanResultFailedAlert")) {
        auto* alert = static_cast<ui::AlertPanel*>(window);
        alertTexts_.push_back(alert->informativeText());
        alertButtons_.push_back(alert->button(ui::AlertPanel::kDefaultReturn)->text());
        QTest::mouseClick(alert->button(ui::AlertPanel::kDefaultReturn), Qt::LeftButton);
      } else if (window->objectName() == QStringLiteral("progressWindow") && whileRunning_) {
        QTimer::singleShot(0, window, whileRunning_);
      }
    });
  }
  void TearDown() override {
    ui::StopObserving(&watcher_);
    ShellFixture::TearDown();
  }

  // Starts the operation as the export (save) or the import (load) does, and runs the window; once the window
  // runs, whileRunning is called from its event loop.
  bool Run(KDProgressWindow& window, bool save, std::function<void()> whileRunning) {
    EXPECT_EQ(backend_.beginSaveOrRestoreNode(save, "/tmp/scan.Vortrane", ""), 0);
    backend_.RestorPostUIUpdate(save ? kSaveName : kLoadName, save);
    whileRunning_ = std::move(whileRunning);
    return window.runModal();
  }

  // Delivers what was posted.
  static void Deliver() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  QObject watcher_;
  int detailPosts_ = 0;
  std::vector<QString> alertTexts_;
  std::vector<QString> alertButtons_;
  std::function<void()> whileRunning_;
};

TEST_F(ProgressWindowTest, TextsFollowWhetherItSavesOrLoads) {
  const KDProgressWindow save(kSaveName, true);
  EXPECT_EQ(save.title()->text(), ui::Text("SAVE_SCAN_RESULT"));
  EXPECT_EQ(save.Description()->text(), ui::Text("SAVE_RESULT_WAIT"));
  const KDProgressWindow load(kLoadName, false);
  EXPECT_EQ(load.title()->text(), ui::Text("LOAD_SCAN_RESULT"));
  EXPECT_EQ(load.Description()->text(), ui::Text("LOAD_RESULT_WAIT"));
  EXPECT_FALSE(load.bFinish());
  EXPECT_FALSE(load.getResult());
  EXPECT_EQ(load.getErrorCode(), 0u);
}

TEST_F(ProgressWindowTest, TheBarRisesWithEachStepAndNeverMovesBack) {
  backend_.SetSaveSteps(6);
  KDProgressWindow window(kSaveName, true, 1);
  std::vector<int> shown;
  // After the window's own handler: what the bar shows at each progress notification.
  QObject after;
  ui::ObserveNotification(&after, kSaveName, [&](const bridge::Notification&) { shown.push_back(window.progress()->value()); });
  // Reports as (total, current): nothing yet with a total of 0, a quarter, a half, then going down, then more.
  backend_.SetSaveProgressReports({{0, 0}, {4, 1}, {4, 2}, {4, 1}, {10, 3}, {4, 3}});
  const bool ok = Run(window, true, [&] {
    while (backend_.Step()) Deliver();
  });
  EXPECT_TRUE(ok);
  const std::vector<int> expected = {0, 250, 500, 500, 500, 750};
  EXPECT_EQ(shown, expected);
  ui::StopObserving(&after);
}

struct EndCase {
  const char* name;
  bool save;
  std::uint64_t code;
  bool success;
  const char* failureKey;  // the alert's text, when it fails
};

class ProgressWindowEnd : public ProgressWindowTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ProgressWindowEnd, CodesZeroAndSixSucceedOthersAlertAndOnlyALoadAsksForTheResults) {
  const EndCase& end = GetParam();
  (end.save ? backend_.Failures().saveError : backend_.Failures().restoreError) = end.code;
  KDProgressWindow window(end.save ? kSaveName : kLoadName, end.save, 1);
  const bool ok = Run(window, end.save, [&] { backend_.RunToEnd(); });
  Deliver();
  EXPECT_EQ(ok, end.success);
  EXPECT_EQ(window.getResult(), end.success);
  EXPECT_TRUE(window.bFinish());
  EXPECT_EQ(window.getErrorCode(), end.code);
  EXPECT_FALSE(window.window()->isVisible());
  EXPECT_EQ(detailPosts_, !end.save && end.success ? 1 : 0);
  if (end.success) {
    EXPECT_TRUE(alertTexts_.empty());
    EXPECT_EQ(window.progress()->value(), KDProgressWindow::kBarMaximum);
  } else {
    ASSERT_EQ(alertTexts_.size(), 1u);
    EXPECT_EQ(alertTexts_[0], ui::Text(end.failureKey));
    EXPECT_EQ(alertButtons_[0], ui::Text("RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON"));
  }
  // A late end report or progress reaches nothing: the observers went with the end.
  backend_.RestorPostUIUpdate(end.save ? kSaveName : kLoadName, end.save);
  ASSERT_EQ(backend_.beginSaveOrRestoreNode(end.save, "/tmp/again.Vortrane", ""), 0);
  backend_.RunToEnd();
  Deliver();
  EXPECT_EQ(detailPosts_, !end.save && end.success ? 1 : 0) << "ShowDetailWindow is posted once";
  EXPECT_EQ(alertTexts_.size(), end.success ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ProgressWindowEnd,
    ::testing::Values(EndCase{"SavedWhole", true, 0, true, nullptr},
                      EndCase{"SaveCouldNotCreateTheFile", true, 2, false, "SAVE_RSF_NOT_CREATED"},
                      EndCase{"SaveCutShort", true, 8, false, "SAVE_RSF_WRITE_FAILED"},
                      EndCase{"SaveOtherFailure", true, 1, false, "SAVE_RSF_FAILED"},
                      EndCase{"Loaded", false, 0, true, nullptr},
                      EndCase{"LoadedWithoutItsQimImage", false, 6, true, nullptr},
                      EndCase{"LoadWithoutItsDevice", false, 7, false, "READ_RSF_FAILED"},
                      EndCase{"LoadOfADamagedFile", false, 9, false, "READ_RSF_FAILED"},
                      EndCase{"LoadOfSomethingElse", false, 3, false, "READ_RSF_FAILED"}),
    [](const ::testing::TestParamInfo<EndCase>& param) { return std::string(param.param.name); });

TEST_F(ProgressWindowTest, TheCloseButtonEndsALoadAtOnceStopsTheRestoreAndHearsNothingMore) {
  auto window = std::make_unique<KDProgressWindow>(kLoadName, false, 1);
  const bool ok = Run(*window, false, [&] {
    backend_.Step();
    Deliver();
    QTest::mouseClick(window->window()->standardWindowButton(ui::WindowButtonKind::kClose), Qt::LeftButton);
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(window->bFinish());
  EXPECT_EQ(window->endTimer(), nullptr);
  EXPECT_FALSE(window->window()->isVisible());
  EXPECT_EQ(backend_.LastStopNoTree(), 1) << "the restore was stopped";
  EXPECT_GT(window->progress()->value(), 0);
  EXPECT_LT(window->progress()->value(), KDProgressWindow::kBarMaximum);
  // The restore winds down and reports its end: neither the window nor a freed one hears of it.
  const int shown = window->progress()->value();
  backend_.RunToEnd();
  Deliver();
  EXPECT_EQ(window->progress()->value(), shown);
  EXPECT_FALSE(window->bFinish());
  window.reset();
  backend_.RestorPostUIUpdate(kLoadName, false);
  ASSERT_EQ(backend_.beginSaveOrRestoreNode(false, "/tmp/again.Vortrane", ""), 0);
  backend_.RunToEnd();
  Deliver();
  EXPECT_EQ(detailPosts_, 0);
  EXPECT_TRUE(alertTexts_.empty());
}

TEST_F(ProgressWindowTest, TheCloseButtonDuringASaveLeavesTheSaveRunning) {
  KDProgressWindow window(kSaveName, true, 1);
  const bool ok = Run(window, true, [&] { QTest::mouseClick(window.window()->standardWindowButton(ui::WindowButtonKind::kClose), Qt::LeftButton); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(backend_.LastStopNoTree(), -1) << "no scan or restore was stopped";
  EXPECT_GT(backend_.RunToEnd(), 0);
}

}  // namespace
}  // namespace quellsy::test
