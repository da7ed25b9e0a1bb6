// Recovery from the results window on the scripted backend: the folder panel, the destination's three checks in
// their order with their alerts and answers (the folder looked at off the GUI thread), the progress window (pause, resume, stop, the full-destination pane
// for a short write only), and the two end windows.

#include <QLabel>

#include <memory>
#include <thread>

#include "Bridge/BackgroundTasks.h"

#include "Bridge/NotificationCenter.h"
#include "RecoveryFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/UserOpener.h"
#include "UI/Shell/KDScanEndSaveWindowController.h"
#include "UI/Shell/KDScanNotEndSaveWindowController.h"
#include "Bridge/NodeTreeType.h"
#include "support/RecordingProgram.h"
#include "support/qt/HeldLook.h"
#include "support/TempDir.h"

namespace quellsy::ui::test {
namespace {

constexpr const char* kDefault = "alertDefaultButton";
constexpr const char* kAlternate = "alertAlternateButton";

bool Usable(const TCImageButton* button) { return button->isDisabled(); }

std::size_t CountOf(const std::vector<std::string>& calls, const std::string& call) {
  return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

using quellsy::test::HeldLook;

class RecoveryTest : public RecoveryFixture {
 protected:
  void SetUp() override {
    RecoveryFixture::SetUp();
    ScriptedResultShape shape;
    shape.topFolders = 2;
    shape.depth = 0;
    shape.filesPerFolder = 5;
    backend_.SetResultShape(shape);
    backend_.SetScanSteps(ScriptedBackend::EvenSteps(2));
    backend_.SetRecoverySteps(5);
    UseBackend(backend_);
    ChooseFolder(folder_.path().string());
  }

  // A finished scan with every file checked; the destination's looks given by the test.
  KDDeletailWindowController* ScannedAndChecked(bool check = true) {
    auto stick = backend_.GetDeviceInfoToArray()[1];
    KDDeletailWindowController* window = Open(stick->childAtIndex(0), 1, 0, Timings());
    window->getData();
    backend_.RunToEnd();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Usable(window->recovertyButton()); }));
    if (check)
      for (const auto& group : backend_.KDGetTopNodes(NODE_TREE_FILE_TYPE)) backend_.KDSetNodeState(group.get(), 2);
    std::uint64_t count = 0;
    backend_.GetSelectedFilesAmout(count, checkedSize_);
    EXPECT_EQ(count, check ? 10u : 0u);
    window->recovery()->setDestinationProbe(
        {[this](const std::string&) { return writable_; }, [this](const std::string&) { return free_; }});
    return window;
  }

  ResultsWindowTimings Timings() {
    ResultsWindowTimings timings = Fast();
    timings.reopenPanelDelay = 1;
    return timings;
  }

  // Recover clicked and the panel answered; waits until the panel has gone.
  void ClickRecover(KDDeletailWindowController* window) {
    const std::size_t panels = TimesShown("recoveryPanel");
    Click(window->recovertyButton());
    ASSERT_TRUE(WaitShown("recoveryPanel", panels + 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->recovery()->panel() == nullptr; }));
  }

  // Recover clicked, the panel answered and the folder found fit: the recovery has started.
  void ClickRecoverAndStart(KDDeletailWindowController* window) {
    const std::size_t started = Started();
    ClickRecover(window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Started() == started + 1; }));
  }

  // One recovery step, its notification handled.
  void Step() {
    backend_.Step();
    QCoreApplication::processEvents();
  }

  std::size_t Started() const { return CountOf(backend_.Calls(), "DoRecovery"); }

  // A look held until the test releases it (or the test ends).
  std::shared_ptr<HeldLook> Held() { return held_.emplace_back(std::make_shared<HeldLook>()); }

  // window's destination stalls on its writability until the test releases it; it has room.
  std::shared_ptr<HeldLook> Stalling(KDDeletailWindowController* window) {
    const auto held = Held();
    window->recovery()->setDestinationProbe(
        {.writable = HeldLook::Holding(held, [](const std::string&) { return true; }),
         .freeBytes = [held](const std::string&) -> std::optional<std::uint64_t> {
           if (std::this_thread::get_id() == held->gui) held->askedOnGuiThread = true;
           return std::uint64_t{1} << 40;
         }});
    return held;
  }

  // The GUI thread still runs its timers.
  static bool TimersRun(KDDeletailWindowController* window) {
    bool fired = false;
    QTimer::singleShot(0, window, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; });
  }

  void TearDown() override {
    for (const auto& held : held_) held->Release();
    bridge::BackgroundTasks::Instance().WaitForAll();
    RecoveryFixture::TearDown();
  }

  ScriptedBackend backend_;
  quellsy::test::TempDir folder_;
  bool writable_ = true;
  std::optional<std::uint64_t> free_ = std::uint64_t{1} << 40;
  std::uint64_t checkedSize_ = 0;
  std::vector<std::shared_ptr<HeldLook>> held_;
};

TEST_F(RecoveryTest, TheChecksRaiseTheirAlertsInOrderAndTheLimitIsMoreThan105Percent) {
  KDDeletailWindowController* window = ScannedAndChecked();
  ASSERT_GT(checkedSize_, 0u);
  // 105 % of the checked size in whole bytes, rounded down: the size and a twentieth of it.
  const std::uint64_t limit = checkedSize_ + checkedSize_ / 20;
  struct Case {
    bool writable;
    bool sameDevice;
    std::optional<std::uint64_t> free;
    const char* alert;  // null: the recovery starts
  };
  const Case cases[] = {
      {false, true, 0, "noCompetenceAlert"},          // every check fails: the first one speaks
      {true, true, 0, "sameDeviceAlert"},             // then the device
      {true, false, limit, "noSpaceAlert"},           // exactly 105 %: refused
      {true, false, std::nullopt, "noSpaceAlert"},    // unreadable: as none free
      {true, false, 0, "noSpaceAlert"},
      {true, false, limit + 1, nullptr},              // one byte more passes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alert ? c.alert : "started");
    writable_ = c.writable;
    free_ = c.free;
    backend_.Failures().scannedDevicePrefix = c.sameDevice ? folder_.path().string() : std::string();
    const std::vector<std::string> before = Shown();
    const std::size_t started = Started();
    ClickRecover(window);
    EXPECT_TRUE(Usable(window->recovertyButton())) << "usable again once the panel has gone";
    if (c.alert) {
      ASSERT_TRUE(WaitShown(c.alert, CountOf(before, c.alert) + 1));
      // Its one button (the first) or its default one (the others) closes it and starts nothing.
      auto* alert = qobject_cast<AlertPanel*>(ModalRunner::attachedSheet(window->window()));
      ASSERT_NE(alert, nullptr);
      QTest::mouseClick(alert->button(AlertPanel::kDefaultReturn), Qt::LeftButton);
      QTest::qWait(5);
      EXPECT_EQ(Started(), started);
    } else {
      EXPECT_TRUE(QTest::qWaitFor([&] { return Started() == started + 1; }));
      EXPECT_EQ(Shown().size(), before.size() + 1) << "the panel alone";
    }
  }
  EXPECT_EQ(window->recovery()->recoverySavePathStr(), QString::fromStdString(folder_.path().string()));
}

TEST_F(RecoveryTest, TheSameDeviceAlertChoosesAgainOrRecoversThere) {
  KDDeletailWindowController* window = ScannedAndChecked();
  backend_.Failures().scannedDevicePrefix = folder_.path().string();
  AnswerWith("sameDeviceAlert", kDefault);
  ClickRecover(window);
  // Choosing another folder shows the panel again by itself; this time cancelled.
  ChooseFolder(std::nullopt);
  ASSERT_TRUE(WaitShown("recoveryPanel", 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->recovery()->panel() == nullptr; }));
  EXPECT_EQ(Started(), 0u);
  EXPECT_TRUE(Usable(window->recovertyButton()));

  ChooseFolder(folder_.path().string());
  AnswerWith("sameDeviceAlert", kAlternate);
  ClickRecover(window);
  ASSERT_TRUE(WaitShown("sameDeviceAlert", 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Started() == 1; })) << "recovered there anyway";
}

TEST_F(RecoveryTest, TheNoSpaceAlertGivesUpOrRecoversAnyway) {
  KDDeletailWindowController* window = ScannedAndChecked();
  free_ = 1;
  AnswerWith("noSpaceAlert", kDefault);
  ClickRecover(window);
  ASSERT_TRUE(WaitShown("noSpaceAlert"));
  QTest::qWait(5);
  EXPECT_EQ(Started(), 0u);
  EXPECT_EQ(TimesShown("recoveryPanel"), 1u) << "giving up shows nothing more";
  AnswerWith("noSpaceAlert", kAlternate);
  ClickRecover(window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Started() == 1; }));
}

TEST_F(RecoveryTest, TheWindowGoesOnWhileTheFolderIsLookedAtAndRecoverWaitsForTheAnswer) {
  KDDeletailWindowController* window = ScannedAndChecked();
  const auto folder = Stalling(window);
  ClickRecover(window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return folder->asked == 1; }));
  EXPECT_FALSE(folder->askedOnGuiThread);
  EXPECT_TRUE(window->recovery()->checking());
  // The GUI thread still runs its timers, and a second Recover meanwhile opens no second panel.
  EXPECT_TRUE(TimersRun(window));
  Click(window->recovertyButton());
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryPanel"), 1u);
  EXPECT_EQ(folder->asked, 1);
  EXPECT_EQ(Started(), 0u);

  folder->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Started() == 1; }));
  EXPECT_FALSE(window->recovery()->checking());
  EXPECT_EQ(folder->asked, 1);
  EXPECT_FALSE(folder->askedOnGuiThread);
  EXPECT_EQ(Shown(), std::vector<std::string>{"recoveryPanel"}) << "no alert for a fit folder";
}

TEST_F(RecoveryTest, TheWindowGoesOnWhileTheFolderIsMatchedToTheScannedDeviceThenAsksAboutIt) {
  KDDeletailWindowController* window = ScannedAndChecked();
  // The folder lies on device 77, as the scan's device does.
  backend_.Failures().scannedDeviceNumber = 77;
  const auto held = Held();
  window->recovery()->setDestinationProbe(
      {.writable = [](const std::string&) { return true; },
       .freeBytes = [](const std::string&) -> std::optional<std::uint64_t> { return std::uint64_t{1} << 40; },
       .device = HeldLook::Holding(held, [](const std::string& folder) {
         return platform::FolderDevice{folder, 77, {}};
       })});
  ClickRecover(window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return held->asked == 1; }));
  EXPECT_TRUE(window->recovery()->checking());
  EXPECT_TRUE(TimersRun(window));
  EXPECT_EQ(TimesShown("sameDeviceAlert"), 0u) << "nothing is said before the answer";

  held->Release();
  ASSERT_TRUE(WaitShown("sameDeviceAlert"));
  EXPECT_FALSE(held->askedOnGuiThread);
  EXPECT_EQ(Started(), 0u);
}

TEST_F(RecoveryTest, TheWindowGoesOnWhileThePanelsStartingFolderIsLookedAtThenThePanelOpensThere) {
  KDDeletailWindowController* window = ScannedAndChecked();
  // A first choice the user may not write to leaves its folder as the last one chosen.
  writable_ = false;
  AnswerWith("noCompetenceAlert", kDefault);
  ClickRecover(window);
  ASSERT_TRUE(WaitShown("noCompetenceAlert"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ModalRunner::attachedSheet(window->window()) == nullptr; }));
  ChooseFolder(std::nullopt);

  // While the last folder is looked at, no panel: the window goes on and a second Recover is ignored.
  const quellsy::test::TempDir home;
  const auto held = Held();
  bool lastIsFolder = true;
  window->recovery()->setDestinationProbe(
      {.isFolder = HeldLook::Holding(held, [&lastIsFolder](const std::string&) { return lastIsFolder; }),
       .home = [&home] { return home.path().string(); }});
  Click(window->recovertyButton());
  ASSERT_TRUE(QTest::qWaitFor([&] { return held->asked == 1; }));
  EXPECT_TRUE(window->recovery()->checking());
  EXPECT_TRUE(TimersRun(window));
  Click(window->recovertyButton());
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryPanel"), 1u);
  EXPECT_EQ(held->asked, 1);

  held->Release();
  ASSERT_TRUE(WaitShown("recoveryPanel", 2));
  EXPECT_EQ(panelStartedIn_, QString::fromStdString(folder_.path().string()));
  EXPECT_FALSE(held->askedOnGuiThread);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->recovery()->panel() == nullptr; }));

  // Once the last folder is gone, the panel starts in the home the look found.
  lastIsFolder = false;
  Click(window->recovertyButton());
  ASSERT_TRUE(WaitShown("recoveryPanel", 3));
  EXPECT_EQ(panelStartedIn_, QString::fromStdString(home.path().string()));
  EXPECT_EQ(Started(), 0u);
}

TEST_F(RecoveryTest, AnAnswerArrivingAfterTheWindowWentIsDropped) {
  KDDeletailWindowController* window = ScannedAndChecked();
  const auto folder = Stalling(window);
  ClickRecover(window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return folder->asked == 1; }));
  delete window->window();  // the results window, its recovery with it
  folder->Release();
  bridge::BackgroundTasks::Instance().WaitForAll();
  QTest::qWait(5);  // the answer's notification delivered to no one
  EXPECT_EQ(Started(), 0u);
  EXPECT_EQ(Shown(), std::vector<std::string>{"recoveryPanel"});
}

TEST_F(RecoveryTest, WithNothingCheckedNoFolderIsAskedFor) {
  KDDeletailWindowController* window = ScannedAndChecked(false);
  Click(window->recovertyButton());
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryPanel"), 0u);
  EXPECT_EQ(window->recovery()->panel(), nullptr);
  EXPECT_EQ(Started(), 0u);
}

TEST_F(RecoveryTest, ARefusedStartTakesNoOtherRecoverysNewsForItsEnd) {
  KDDeletailWindowController* window = ScannedAndChecked();
  backend_.Failures().refuseRecovery = true;
  ClickRecoverAndStart(window);
  // The last recovery winding down says so once more.
  bridge::NotificationCenter::Default().Post(bridge::Notification{ResultsRecovery::kRecoveryNotification, {}, {}});
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryEndWindow"), 0u);
  EXPECT_EQ(TimesShown("recoveryProgressWindow"), 0u);
}

TEST_F(RecoveryTest, ACancelledPanelStartsNothingAndKeepsItsSize) {
  KDDeletailWindowController* window = ScannedAndChecked();
  ChooseFolder(std::nullopt);
  ClickRecover(window);
  EXPECT_EQ(panelSize_, window->window()->size() - QSize(0, ResultsRecovery::kPanelHeightLess));
  EXPECT_EQ(Started(), 0u);
  EXPECT_TRUE(Usable(window->recovertyButton()));
}

TEST_F(RecoveryTest, TheProgressWindowComesWithTheFirstNotificationAndStopsAfterAConfirmation) {
  KDDeletailWindowController* window = ScannedAndChecked();
  ClickRecoverAndStart(window);
  ResultsRecovery* recovery = window->recovery();
  EXPECT_EQ(recovery->recoveryProgressWindow(), nullptr) << "nothing shown before the first notification";
  Step();
  KDShowScanProgressWindowController* progress = recovery->recoveryProgressWindow();
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(WaitShown("recoveryProgressWindow"));
  EXPECT_TRUE(ModalRunner::isRunning(progress->window()));
  // Two of ten files (one share of five steps): their bytes of the whole.
  std::uint64_t total = 0;
  std::uint64_t done = 0;
  ResultCode code = 0;
  const std::string name = backend_.GetRecoveryProgressTotal(total, done, code);
  EXPECT_DOUBLE_EQ(progress->progressValue(), static_cast<double>(done) * 100.0 / static_cast<double>(checkedSize_));
  EXPECT_EQ(progress->scaningFileName()->text().toStdString(), name);
  EXPECT_TRUE(progress->recoveryProgressView()->isVisible());

  // Stop asks first, pausing; No resumes.
  QTest::mouseClick(progress->stopButton(), Qt::LeftButton);
  EXPECT_TRUE(progress->warningView()->isVisible());
  EXPECT_FALSE(progress->recoveryProgressView()->isVisible());
  EXPECT_FALSE(backend_.Step()) << "paused";
  QTest::mouseClick(progress->noButton(), Qt::LeftButton);
  EXPECT_TRUE(progress->recoveryProgressView()->isVisible());
  EXPECT_EQ(CountOf(backend_.Calls(), "PauseOrResumeRecovery"), 2u);
  Step();
  // Stop, then Yes: the stopped window with a whole count, never the finished one.
  QTest::mouseClick(progress->stopButton(), Qt::LeftButton);
  QTest::mouseClick(progress->yesButton(), Qt::LeftButton);
  EXPECT_EQ(CountOf(backend_.Calls(), "StopRecvoery"), 1u);
  ASSERT_TRUE(WaitShown("recoveryNotEndWindow"));
  EXPECT_EQ(recovery->recoveryProgressWindow(), nullptr);
  backend_.RunToEnd();
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryEndWindow"), 0u);
  KDScanNotEndSaveWindowController* stopped = recovery->scanNotEndSaceWC();
  ASSERT_NE(stopped, nullptr);
  EXPECT_EQ(stopped->noteText()->text(),
            QStringLiteral("The recovery was stopped after %1 files. They are in the destination folder:")
                .arg(backend_.GetRecoveridedFiles()));
  EXPECT_EQ(stopped->savePathLabel()->toolTip(), QString::fromStdString(folder_.path().string()));
}

TEST_F(RecoveryTest, OnlyAShortWriteShowsTheNoSpacePaneAndContinueResumes) {
  KDDeletailWindowController* window = ScannedAndChecked();
  backend_.Failures().failedCopyAtRecoveryStep = 1;
  backend_.Failures().shortWriteAtRecoveryStep = 2;
  backend_.Failures().failedRecoveryFiles = 1;
  ClickRecoverAndStart(window);
  Step();  // step 0
  KDShowScanProgressWindowController* progress = window->recovery()->recoveryProgressWindow();
  ASSERT_NE(progress, nullptr);
  Step();  // step 1: a file failed for another reason
  EXPECT_TRUE(progress->recoveryProgressView()->isVisible()) << "another failure goes on";
  EXPECT_FALSE(progress->noMemeryView()->isVisible());
  Step();  // step 2: a short write, paused
  EXPECT_TRUE(progress->noMemeryView()->isVisible());
  EXPECT_FALSE(progress->recoveryProgressView()->isVisible());
  EXPECT_FALSE(backend_.Step()) << "paused until continued";
  QTest::mouseClick(progress->noMemeryContinueButton(), Qt::LeftButton);
  EXPECT_TRUE(progress->recoveryProgressView()->isVisible());
  EXPECT_FALSE(progress->noMemeryView()->isVisible());
  backend_.RunToEnd();
  ASSERT_TRUE(WaitShown("recoveryEndWindow"));
  EXPECT_EQ(window->recovery()->recoveryProgressWindow(), nullptr);
  KDScanEndSaveWindowController* end = window->recovery()->scanEndSaveWC();
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->noteText()->text(), QStringLiteral("The recovery has ended, but 1 files could not be copied. The "
                                                    "others are in the destination folder:"));
}

TEST_F(RecoveryTest, ClosingTheProgressWindowStopsTheRecoveryOnce) {
  KDDeletailWindowController* window = ScannedAndChecked();
  ClickRecoverAndStart(window);
  Step();
  KDShowScanProgressWindowController* progress = window->recovery()->recoveryProgressWindow();
  ASSERT_NE(progress, nullptr);
  progress->window()->close();  // faded out, then closed
  ASSERT_TRUE(WaitShown("recoveryNotEndWindow"));
  EXPECT_EQ(CountOf(backend_.Calls(), "StopRecvoery"), 1u);
  EXPECT_EQ(window->recovery()->recoveryProgressWindow(), nullptr);
  backend_.RunToEnd();
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryEndWindow"), 0u);
  EXPECT_EQ(TimesShown("recoveryNotEndWindow"), 1u);
}

TEST_F(RecoveryTest, CancelOnTheNoSpacePaneStops) {
  KDDeletailWindowController* window = ScannedAndChecked();
  backend_.Failures().shortWriteAtRecoveryStep = 1;
  ClickRecoverAndStart(window);
  Step();
  Step();
  KDShowScanProgressWindowController* progress = window->recovery()->recoveryProgressWindow();
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(progress->noMemeryView()->isVisible());
  QTest::mouseClick(progress->noMemeryCancelButton(), Qt::LeftButton);
  EXPECT_EQ(CountOf(backend_.Calls(), "StopRecvoery"), 1u);
  ASSERT_TRUE(WaitShown("recoveryNotEndWindow"));
  QTest::qWait(5);
  EXPECT_EQ(TimesShown("recoveryNotEndWindow"), 1u) << "one stop, one window";
}

TEST_F(RecoveryTest, ARecoveryOverBeforeItsFirstNotificationShowsOnlyTheFinishedWindowWhoseLinkOpensTheFolder) {
  quellsy::test::TempDir bin;
  const auto recorder = quellsy::test::WriteRecordingProgram(bin.path());
  SetOpenProgramForTests(recorder.string());
  KDDeletailWindowController* window = ScannedAndChecked();
  ClickRecoverAndStart(window);
  backend_.StopRecvoery();  // the driver ends on its own
  Step();
  EXPECT_EQ(window->recovery()->recoveryProgressWindow(), nullptr);
  ASSERT_TRUE(WaitShown("recoveryEndWindow"));
  EXPECT_EQ(TimesShown("recoveryProgressWindow"), 0u);
  KDScanEndSaveWindowController* end = window->recovery()->scanEndSaveWC();
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->noteText()->text(),
            QStringLiteral("The checked files were copied. Open the destination folder to see them:"));
  QTest::mouseClick(end->savePathLabel(), Qt::LeftButton);
  std::optional<quellsy::test::ProgramRecord> record;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (record = quellsy::test::ReadProgramRecord(recorder)).has_value(); }));
  EXPECT_EQ(record->arguments, folder_.path().string());
  QTest::mouseClick(end->okButton(), Qt::LeftButton);
  EXPECT_FALSE(ModalRunner::isRunning(end->window()));
  SetOpenProgramForTests("");
}

}  // namespace
}  // namespace quellsy::ui::test
