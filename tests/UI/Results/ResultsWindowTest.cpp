// The results window on the scripted backend: a scan played step by step, its waiting texts, counts, progress
// and remaining time, pause, resume and stop, the end state, the deep scan after a quick one, the deep-scan hint,
// back home, close, removal of the scanned device, an import, and the layout.

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTimer>

#include "Bridge/DiskVolumeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "Bridge/BridgeServices.h"
#include "Bridge/NotificationCenter.h"
#include "ResultsWindowFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/MAAttachedWindow.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Shell/KDRootWindowController.h"

namespace quellsy::ui::test {
namespace {

constexpr const char* kDefault = "alertDefaultButton";
constexpr const char* kAlternate = "alertAlternateButton";
constexpr const char* kOther = "alertOtherButton";

// Two folders of five files under the volume's root: 13 nodes delivered in pre-order (root, folder, its five
// files, folder, its five files). Each step delivers its share of the 13, rounded: 20 % gives 3 nodes (1 file),
// 60 % gives 8 (5 files), 100 % all 13 (10 files).
ScriptedResultShape TwoFolders() {
  ScriptedResultShape shape;
  shape.topFolders = 2;
  shape.depth = 0;
  shape.filesPerFolder = 5;
  return shape;
}

const std::vector<ScanStep> kSteps = {{20, "00:04:00"}, {60, "00:01:30"}, {100, "00:00:00"}};

bool Has(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::size_t CountOf(const std::vector<std::string>& names, const std::string& name) {
  return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

// TCImageButton's "isDisabled" keeps its historical sense: true means usable.
bool Usable(const TCImageButton* button) { return button->isDisabled(); }

QString Found(int files) { return QStringLiteral("Files found: %1").arg(files); }
QString Remaining(const char* text) { return QStringLiteral("Time remaining: ") + QString::fromLatin1(text); }

class ResultsWindowTest : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    backend_.SetResultShape(TwoFolders());
    backend_.SetScanSteps(kSteps);
    UseBackend(backend_);
  }

  // The USB stick's volume, as the device page hands it (its disk's name as the parent name).
  std::shared_ptr<DiskVolumeNodeData> Volume() {
    auto stick = backend_.GetDeviceInfoToArray()[1];
    auto volume = stick->childAtIndex(0);
    volume->setParentName(stick->name());
    return volume;
  }

  KDDeletailWindowController* Scan(int scanType = 1) {
    KDDeletailWindowController* window = Open(Volume(), scanType);
    window->getData();
    return window;
  }

  // One step of the scan, and its notification delivered.
  void Step() {
    backend_.Step();
    QCoreApplication::processEvents();
  }

  void RunToEnd(KDDeletailWindowController* window) {
    backend_.RunToEnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Usable(window->recovertyButton()) && !window->pauseButton()->isVisible(); }));
  }

  ScriptedBackend backend_;
};

TEST_F(ResultsWindowTest, WaitingTextsThenCountsProgressAndRemainingTimeAtTheirRates) {
  KDDeletailWindowController* window = Scan();
  EXPECT_TRUE(Has(backend_.Calls(), "DoScanWithData"));
  EXPECT_EQ(window->findFilesLabel()->text(), QStringLiteral("Please wait..."));
  EXPECT_EQ(window->remainTimeLabel()->text(), QStringLiteral("Preparing to scan your drive"));
  for (TCImageButton* button : {window->backHomeButton(), window->pauseButton(), window->stopButton()})
    EXPECT_FALSE(Usable(button)) << button->objectName().toStdString() << " before the first refresh";
  EXPECT_EQ(window->getPorTimer(), nullptr);
  EXPECT_EQ(window->progressView()->pProgress1()->width(), KDProgressView::kMinimumFill) << "nothing done yet";

  Step();
  EXPECT_EQ(window->findFilesLabel()->text(), Found(1));
  EXPECT_EQ(window->remainTimeLabel()->text(), Remaining("00:04:00"));
  EXPECT_TRUE(Usable(window->pauseButton()));
  EXPECT_TRUE(Usable(window->stopButton()));
  ASSERT_NE(window->getPorTimer(), nullptr) << "the progress timer starts with the first found file";
  EXPECT_EQ(window->progressView()->pProgress1()->width(),
            qRound(KDProgressView::FillWidth(20, static_cast<float>(window->progressView()->width()))));

  // Within the same second the remaining time stays, the count follows.
  Step();
  EXPECT_EQ(window->findFilesLabel()->text(), Found(5));
  EXPECT_EQ(window->remainTimeLabel()->text(), Remaining("00:04:00"));
  // A second later the progress timer's next round shows it.
  clock_ += 1000;
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->remainTimeLabel()->text() == Remaining("00:01:30"); }));

  Step();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->getPorTimer() == nullptr; }));
  EXPECT_FALSE(window->findFilesLabel()->isVisible());
  EXPECT_TRUE(window->selectFilesLabel()->isVisible());
}

TEST(ResultsWindowTimings, TheProgramRunsAtThePartsRates) {
  const ResultsWindowTimings timings;
  EXPECT_EQ(timings.foundCountInterval, 1000);
  EXPECT_EQ(timings.progressInterval, 1500);
  EXPECT_EQ(timings.endCheckInterval, 1500);
  EXPECT_EQ(timings.stopDelay, 500);
  EXPECT_EQ(timings.deepScanDelay + timings.stopButtonDelay, 1200);
  EXPECT_EQ(timings.hintShownFor, 8000);
  EXPECT_EQ(timings.dotsAfter, 30000);
  EXPECT_EQ(timings.dotsStopBelow, 3000);
  EXPECT_EQ(timings.remainingTimeEvery, 1000);
}

TEST_F(ResultsWindowTest, DotsCycleBehindTheCountWhileNothingNewArrivesAndStopWithNewResults) {
  KDDeletailWindowController* window = Scan();
  Step();
  ASSERT_NE(window->getPorTimer(), nullptr);
  clock_ += 30000;  // 30 s without results
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->foundCountTimer() != nullptr; }));
  window->foundCountTimer()->stop();  // the test turns the dots itself
  QStringList seen;
  for (int i = 0; i < 5; ++i) {
    window->showFoundCountPoint();
    seen << window->findFilesLabel()->text().mid(Found(1).size());
  }
  EXPECT_EQ(seen, QStringList({".", "..", "...", " ", "."}));
  Step();  // new results, less than 3 s old
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->foundCountTimer() == nullptr; }));
  EXPECT_EQ(window->findFilesLabel()->text(), Found(5) + QStringLiteral(" "));
}

TEST_F(ResultsWindowTest, PauseLetsTheUserBrowseAndResumeClearsTheChecks) {
  KDDeletailWindowController* window = Scan();
  Step();
  Click(window->pauseButton());
  EXPECT_TRUE(backend_.IsPause());
  EXPECT_TRUE(window->isPause());
  EXPECT_FALSE(window->pauseButton()->isVisible());
  EXPECT_TRUE(window->continueScanButton()->isVisible());
  EXPECT_TRUE(window->search()->isEnabled());
  EXPECT_FALSE(backend_.Step()) << "a paused scan does not advance";

  Click(window->continueScanButton());
  EXPECT_FALSE(backend_.IsPause());
  EXPECT_FALSE(window->isPause());
  EXPECT_TRUE(window->pauseButton()->isVisible());
  EXPECT_FALSE(window->continueScanButton()->isVisible());
  EXPECT_FALSE(window->search()->isEnabled());
  EXPECT_TRUE(Has(backend_.Calls(), "KDCleanOpNodeSate"));
  Step();
  EXPECT_EQ(window->findFilesLabel()->text(), Found(5));
}

struct StopCase {
  const char* answer;
  bool stops;
};

class StopAnswers : public ResultsWindowTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopAnswers, StopAsksFirstAndKeepsWhatWasFound) {
  KDDeletailWindowController* window = Scan();
  Step();
  AnswerWith("stopScanAlert", GetParam().answer);
  Click(window->stopButton());
  ASSERT_TRUE(WaitForAlert("stopScanAlert"));
  ASSERT_EQ(CountOf(AlertsShown(), "stopScanAlert"), 1u);
  if (!GetParam().stops) {
    EXPECT_FALSE(backend_.IsPause()) << "the scan goes on";
    EXPECT_TRUE(window->isCanClick());
    EXPECT_FALSE(Has(backend_.Calls(), "StopScan"));
    return;
  }
  EXPECT_TRUE(backend_.IsPause()) << "paused while the user decides, until the stop is asked";
  for (TCImageButton* button : {window->pauseButton(), window->stopButton(), window->backHomeButton(),
                                window->recovertyButton()})
    EXPECT_FALSE(Usable(button)) << button->objectName().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->endScanTimer() != nullptr; }));
  EXPECT_EQ(backend_.LastStopNoTree(), 0) << "a stop keeps the result trees";
  backend_.Step();  // the scan winds down; the end timer finds it ended
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->endScanTimer() == nullptr; }));
  EXPECT_TRUE(Usable(window->recovertyButton()));
  EXPECT_TRUE(Usable(window->exportButton()));
  EXPECT_TRUE(window->selectFilesLabel()->text().endsWith(QStringLiteral(" in 1 file")))
      << window->selectFilesLabel()->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Answers, StopAnswers,
                         ::testing::Values(StopCase{kDefault, true}, StopCase{kAlternate, false}));

struct EndCase {
  int topFolders;
  int files;
};

class EndStates : public ResultsWindowTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndStates, TheEndOfAQuickScanEnablesRecoverExportAndTheDeepScan) {
  ScriptedResultShape shape = TwoFolders();
  shape.topFolders = GetParam().topFolders;
  backend_.SetResultShape(shape);
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  for (QWidget* hidden : std::initializer_list<QWidget*>{window->pauseButton(), window->stopButton(),
                                                         window->continueScanButton(), window->progressView(),
                                                         window->findFilesLabel(), window->remainTimeLabel()})
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  EXPECT_TRUE(window->recovertyButton()->isVisible());
  EXPECT_TRUE(Usable(window->recovertyButton()));
  EXPECT_TRUE(Usable(window->exportButton()));
  EXPECT_TRUE(Usable(window->advButton()));
  EXPECT_TRUE(window->advButton()->isVisible());
  EXPECT_TRUE(Usable(window->backHomeButton()));
  EXPECT_TRUE(window->search()->isEnabled());
  std::uint64_t size = 0;
  std::uint64_t count = 0;
  backend_.GetScanFileSize(size, count);
  ASSERT_EQ(count, static_cast<std::uint64_t>(GetParam().files));
  const QString sizeText = GetParam().files == 0 ? QStringLiteral("0 bytes")
                                                 : QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(
                                                       static_cast<std::int64_t>(size)));
  EXPECT_EQ(window->selectFilesLabel()->text(), QStringLiteral("Found %1 in %2 files").arg(sizeText).arg(GetParam().files));
}

INSTANTIATE_TEST_SUITE_P(Results, EndStates, ::testing::Values(EndCase{2, 10}, EndCase{0, 0}));

// The files listed under each folder row of a root row of the path tree, and the folder rows.
struct RootRows {
  QString name;
  int folders = 0;
  std::size_t files = 0;
};

std::vector<RootRows> PathRoots(ResultTreeModel* model) {
  std::vector<RootRows> roots;
  for (int row = 0; row < model->rowCount(); ++row) {
    const QModelIndex root = model->index(row, 0);
    if (model->canFetchMore(root)) model->fetchMore(root);
    RootRows counts{root.data().toString(), model->rowCount(root), model->FilesOf(root).size()};
    for (int folder = 0; folder < counts.folders; ++folder) counts.files += model->FilesOf(model->index(folder, 0, root)).size();
    roots.push_back(counts);
  }
  return roots;
}

TEST_F(ResultsWindowTest, ThePathTreeShowsItsRootsFoldersAndFilesAsTheyArrive) {
  ScriptedResultShape shape = TwoFolders();
  shape.volumes = {"System disk", "Backup"};
  backend_.SetResultShape(shape);
  // A whole disk is scanned with the shape's volumes as its roots.
  KDDeletailWindowController* window = Open(backend_.GetDeviceInfoToArray()[0]);
  window->getData();
  ResultTreeModel* paths = window->browser()->treeModel(0);
  Step();  // 20 % of 26 nodes: 5, the first root, its first folder and three files
  std::vector<RootRows> roots = PathRoots(paths);
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_EQ(roots[0].name, QStringLiteral("System disk"));
  EXPECT_EQ(roots[0].files, 3u);
  EXPECT_EQ(roots[0].folders, 1);
  RunToEnd(window);
  roots = PathRoots(paths);
  ASSERT_EQ(roots.size(), 2u);
  for (const RootRows& root : roots) {
    EXPECT_EQ(root.folders, 2) << root.name.toStdString();
    EXPECT_EQ(root.files, 10u) << root.name.toStdString();
  }
  EXPECT_EQ(roots[1].name, QStringLiteral("Backup"));
  // Each look asked only for what came after the folders already read: the first from the start, the second
  // after the root and folder of the first step, every later one after all six folders.
  EXPECT_EQ(window->pathTree().Size(), 6u) << "two roots and four folders";
  const std::vector<std::size_t>& starts = backend_.PathTailStarts();
  ASSERT_GE(starts.size(), 3u);
  EXPECT_EQ(starts[0], 0u);
  EXPECT_EQ(starts[1], 2u);
  for (std::size_t i = 2; i < starts.size(); ++i) EXPECT_EQ(starts[i], 6u) << i;
}

TEST_F(ResultsWindowTest, ADeepScanAfterAQuickOneStartsOverWithTheCompleteScansLayout) {
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  ASSERT_EQ(window->browser()->treeModel(0)->rowCount(), 1);
  Click(window->advButton());
  EXPECT_TRUE(Has(backend_.Calls(), "KDResetTreeNodeData"));
  EXPECT_EQ(window->browser()->treeModel(0)->rowCount(), 0);
  EXPECT_FALSE(window->advButton()->isVisible());
  EXPECT_EQ(ViewFrame(window->stopButton()), QRectF(527, 32, 18, 18));
  EXPECT_EQ(ViewFrame(window->pauseButton()), QRectF(497, 32, 18, 18));
  EXPECT_EQ(ViewFrame(window->recovertyButton()), QRectF(562, 22, 138, 41));
  EXPECT_EQ(window->findFilesLabel()->text(), Found(0));
  EXPECT_EQ(window->remainTimeLabel()->text(), Remaining("-:-:-"));
  EXPECT_FALSE(Usable(window->exportButton()));
  EXPECT_FALSE(Usable(window->stopButton()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Usable(window->stopButton()); }));
  EXPECT_TRUE(Has(backend_.Calls(), "DoDeepScan"));
  EXPECT_TRUE(window->isDeepScan());
  EXPECT_FALSE(window->segment()->isEnabled());
  EXPECT_FALSE(window->search()->isEnabled());
  Step();
  EXPECT_FALSE(window->segment()->isEnabled());
  RunToEnd(window);
  EXPECT_TRUE(window->segment()->isEnabled());
  EXPECT_FALSE(window->advButton()->isVisible()) << "no deep scan is offered after a deep scan";
  EXPECT_EQ(window->browser()->treeModel(0)->rowCount(), 1);
}

TEST_F(ResultsWindowTest, AnImageIsAlwaysScannedCompletely) {
  KDDeletailWindowController* window = Open(backend_.GetDeviceInfoToArray()[2], 1);
  window->getData();
  EXPECT_TRUE(Has(backend_.Calls(), "ResetShouldBuild"));
  EXPECT_TRUE(Has(backend_.Calls(), "isQimDoDeepScanWithData"));
  EXPECT_FALSE(Has(backend_.Calls(), "DoScanWithData"));
  EXPECT_FALSE(window->segment()->isEnabled());
  EXPECT_EQ(ViewFrame(window->stopButton()), QRectF(527, 32, 18, 18));
  EXPECT_FALSE(window->advButton()->isVisible());
}

TEST_F(ResultsWindowTest, ACompleteScanOfAVolumeIsStartedAsOne) {
  KDDeletailWindowController* window = Scan(2);
  EXPECT_TRUE(Has(backend_.Calls(), "DoDeepScanWithData"));
  EXPECT_TRUE(window->isDeepScan());
  RunToEnd(window);
  EXPECT_EQ(window->attachedWindow(), nullptr) << "the hint follows quick scans only";
}

TEST_F(ResultsWindowTest, RestoredResultsNeverShowTheScanControls) {
  backend_.beginSaveOrRestoreNode(false, "/tmp/results.rsf", "");
  KDDeletailWindowController* window = Open(nullptr);
  window->getImportData("/tmp/results.rsf");
  EXPECT_TRUE(Has(backend_.Calls(), "RestorPostUIUpdate"));
  EXPECT_TRUE(Usable(window->backHomeButton()));
  backend_.RunToEnd();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->selectFilesLabel()->isVisible(); }));
  for (QWidget* hidden : std::initializer_list<QWidget*>{window->pauseButton(), window->stopButton(),
                                                         window->progressView(), window->findFilesLabel(),
                                                         window->remainTimeLabel(), window->exportButton(),
                                                         window->advButton()})
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  EXPECT_TRUE(window->recovertyButton()->isVisible());
  EXPECT_EQ(window->attachedWindow(), nullptr);
}

TEST_F(ResultsWindowTest, TheHintIsShownAfterTheFirstTwoQuickScansOnly) {
  for (const char* expected : {"1", "2"}) {
    KDDeletailWindowController* window = Scan();
    RunToEnd(window);
    ASSERT_NE(window->attachedWindow(), nullptr);
    EXPECT_TRUE(window->attachedWindow()->isVisible());
    EXPECT_EQ(PrivateData::GetString("IsFristTime"), std::string(expected));
    delete window->window();
  }
  KDDeletailWindowController* third = Scan();
  RunToEnd(third);
  EXPECT_EQ(third->attachedWindow(), nullptr);
  EXPECT_EQ(PrivateData::GetString("IsFristTime"), std::string("2"));
}

TEST_F(ResultsWindowTest, TheHintFollowsTheWindowAndClosesByItselfOrByItsButton) {
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  QPointer<MAAttachedWindow> hint = window->attachedWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->side(), KDDeletailWindowController::kHintSide);
  EXPECT_TRUE(hint->hasArrow());
  EXPECT_GT(hint->arrowHeight(), 0) << "the hint points at its place";
  EXPECT_EQ(hint->point(), QPointF(80, window->window()->height() - 400));
  window->window()->resize(1100, 760);
  ASSERT_TRUE(QTest::qWaitFor([&] { return hint && hint->point() == QPointF(80, 760 - 400); }));
  // Its own clock runs for the time set; the test lets it run out now.
  ASSERT_NE(window->hintTimer(), nullptr);
  EXPECT_TRUE(window->hintTimer()->isActive());
  EXPECT_EQ(window->hintTimer()->interval(), Fast().hintShownFor);
  window->hintTimer()->start(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return hint.isNull(); })) << "gone by itself";

  PrivateData::SetString("IsFristTime", "0");
  KDDeletailWindowController* second = Scan();
  RunToEnd(second);
  ASSERT_NE(second->attachedWindow(), nullptr);
  Click(second->deepScanVC()->closeButton());
  EXPECT_EQ(second->attachedWindow(), nullptr);
}

TEST_F(ResultsWindowTest, BackHomeDuringAScanStopsItWithoutTreesAndGoesHomeWhenItEnds) {
  KDDeletailWindowController* window = Scan();
  Step();
  AnswerWith("backHomeAlert", kDefault);
  QPointer<QWidget> results = window->window();
  Click(window->backHomeButton());
  ASSERT_TRUE(WaitForAlert("backHomeAlert"));
  EXPECT_EQ(backend_.LastStopNoTree(), 1);
  EXPECT_TRUE(window->isSelectBackHome());
  EXPECT_FALSE(Usable(window->backHomeButton()));
  Step();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results.isNull(); }));
  // A new main window, told it is not the program's first.
  ASSERT_TRUE(QTest::qWaitFor([] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      const auto* root = top->findChild<KDRootWindowController*>(QString(), Qt::FindDirectChildrenOnly);
      if (root && root->isNotFristLoad() && top->isVisible()) return true;
    }
    return false;
  }));
  EXPECT_EQ(CountOf(AlertsShown(), "saveScanAlert"), 0u) << "no save question after a confirmed back home";
  EXPECT_TRUE(Has(backend_.Calls(), "RefreshDeviceInfo"));
}

TEST_F(ResultsWindowTest, BackHomeDuringAScanAnsweredNoGoesOn) {
  KDDeletailWindowController* window = Scan();
  Step();
  Click(window->pauseButton());
  AnswerWith("backHomeAlert", kAlternate);
  Click(window->backHomeButton());
  ASSERT_TRUE(WaitForAlert("backHomeAlert"));
  EXPECT_TRUE(backend_.IsPause()) << "the user's own pause stays";
  EXPECT_FALSE(window->isSelectBackHome());
  EXPECT_TRUE(window->isCanClick());
}

struct SaveCase {
  const char* answer;
  bool leaves;
};

class SaveQuestion : public ResultsWindowTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveQuestion, BackHomeAfterAFinishedScanAsksToSaveFirst) {
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  AnswerWith("saveScanAlert", GetParam().answer);
  QPointer<QWidget> results = window->window();
  // Save opens the export's panel: given up there, nothing is saved.
  QTimer giveUp;
  QObject::connect(&giveUp, &QTimer::timeout, [] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* panel = qobject_cast<QFileDialog*>(top); panel && panel->isVisible()) panel->reject();
  });
  giveUp.start(1);
  Click(window->backHomeButton());
  EXPECT_EQ(CountOf(AlertsShown(), "saveScanAlert"), 1u);
  if (GetParam().leaves) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.isNull(); }));
  } else {
    QCoreApplication::processEvents();
    EXPECT_FALSE(results.isNull());
    EXPECT_TRUE(results->isVisible());
  }
}

// Save with the export given up stays; Cancel stays; Don't Save goes home.
INSTANTIATE_TEST_SUITE_P(Answers, SaveQuestion,
                         ::testing::Values(SaveCase{kDefault, false}, SaveCase{kAlternate, false},
                                           SaveCase{kOther, true}));

TEST_F(ResultsWindowTest, SavedResultsGoHomeWithoutAsking) {
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  window->setBSave(true);
  QPointer<QWidget> results = window->window();
  Click(window->backHomeButton());
  ASSERT_TRUE(QTest::qWaitFor([&] { return results.isNull(); }));
  EXPECT_TRUE(AlertsShown().empty());
}

TEST_F(ResultsWindowTest, ClosingDuringAScanAsksThenEndsTheProgramWhenTheScanHasStopped) {
  int terminations = 0;
  QObject observer;
  ObserveNotification(&observer, "appWillTerminate", [&](const bridge::Notification&) { ++terminations; });
  KDDeletailWindowController* window = Scan();
  Step();
  AnswerWith("closeScanAlert", kDefault);
  window->window()->close();
  ASSERT_TRUE(WaitForAlert("closeScanAlert"));
  EXPECT_EQ(CountOf(AlertsShown(), "closeScanAlert"), 1u);
  EXPECT_EQ(backend_.LastStopNoTree(), 1);
  EXPECT_TRUE(window->isCloseWindow());
  EXPECT_TRUE(window->window()->isVisible());
  EXPECT_EQ(terminations, 0);
  Step();
  ASSERT_TRUE(QTest::qWaitFor([&] { return terminations == 1; }));
  EXPECT_FALSE(window->window()->isVisible());
  QTest::qWait(20);  // the end timer and any late notification do not end it twice
  EXPECT_EQ(terminations, 1);
}

TEST_F(ResultsWindowTest, ClosingAfterTheScanAsksToSave) {
  int terminations = 0;
  QObject observer;
  ObserveNotification(&observer, "appWillTerminate", [&](const bridge::Notification&) { ++terminations; });
  KDDeletailWindowController* window = Scan();
  RunToEnd(window);
  AnswerWith("saveScanAlert", kAlternate);
  window->window()->close();
  EXPECT_EQ(terminations, 0);
  EXPECT_TRUE(window->window()->isVisible());
  AnswerWith("saveScanAlert", kOther);
  window->window()->close();
  EXPECT_EQ(terminations, 1);
  EXPECT_FALSE(window->window()->isVisible());
}

TEST_F(ResultsWindowTest, RemovingTheScannedDeviceStopsTheScanAndGoesHome) {
  KDDeletailWindowController* window = Scan();
  Step();
  QPointer<QWidget> results = window->window();
  // Another medium, and a removal that names none, change nothing.
  backend_.DetachMedium("/dev/sdc");
  bridge::PostOnMainThread(bridge::Notification{"RefreshDetachDevice", {}, {}});
  QCoreApplication::processEvents();
  EXPECT_FALSE(Has(backend_.Calls(), "StopScan"));
  EXPECT_TRUE(AlertsShown().empty());

  backend_.DetachMedium("SanDisk Ultra USB 3.0");
  backend_.DetachMedium("SanDisk Ultra USB 3.0");
  ASSERT_TRUE(WaitForAlert("deviceRemovedAlert"));
  QCoreApplication::processEvents();
  EXPECT_EQ(backend_.LastStopNoTree(), 1);
  EXPECT_EQ(CountOf(AlertsShown(), "deviceRemovedAlert"), 1u) << "the message shows once";
  ModalRunner::endRun(ModalRunner::attachedSheet(window->window()), AlertPanel::kDefaultReturn);
  EXPECT_FALSE(results.isNull()) << "the scan still winds down";
  Step();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results.isNull(); }));
  EXPECT_EQ(CountOf(AlertsShown(), "saveScanAlert"), 0u);
}

struct RemovalCase {
  const char* scanned;  // the scanned item's kernel name
  const char* removed;  // "USBPath"
  bool matches;
};

class RemovalPaths : public ResultsWindowTest, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(RemovalPaths, TheScannedDeviceIsKnownByItsDeviceNodeOrItsDisks) {
  _DiskVolumeData record;
  record.name = "Stick";
  record.devName = GetParam().scanned;
  record.diskIndex = 1;
  record.volumeIndex = 0;
  KDDeletailWindowController* window = Open(std::make_shared<DiskVolumeNodeData>(record));
  window->getData();
  backend_.DetachMedium(GetParam().removed);
  QCoreApplication::processEvents();
  // The scan stops, without result trees, on the scanned device's removal only.
  EXPECT_EQ(backend_.LastStopNoTree(), GetParam().matches ? 1 : -1) << GetParam().scanned << " / " << GetParam().removed;
  if (GetParam().matches) {
    EXPECT_TRUE(WaitForAlert("deviceRemovedAlert"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RemovalPaths,
    ::testing::Values(RemovalCase{"sdb1", "/dev/sdb1", true}, RemovalCase{"sdb1", "/dev/sdb", true},
                      RemovalCase{"sdb12", "/dev/sdb1", false}, RemovalCase{"sdb1", "/dev/sd", false},
                      RemovalCase{"nvme0n1p2", "/dev/nvme0n1", true}, RemovalCase{"nvme0n1p2", "/dev/nvme0n", false},
                      RemovalCase{"mmcblk0p1", "/dev/mmcblk0", true}, RemovalCase{"loop3", "/dev/loop3", true},
                      RemovalCase{"loop3", "/dev/loop30", false}, RemovalCase{"sdb", "/dev/sdb1", false}));

TEST_F(ResultsWindowTest, TheLeftPaneKeepsItsWidthBoundsAndTheProgressShowsAtLeastOne) {
  KDDeletailWindowController* window = Open(Volume());
  QSplitter* split = window->splistView();
  for (const int asked : {100, 300, 600}) {
    split->setSizes({asked, split->width() - asked});
    window->window()->resize(window->window()->width() + 10, window->window()->height());
    QCoreApplication::processEvents();
    const int left = window->treePane()->width();
    EXPECT_EQ(left, std::clamp(asked, KDDeletailWindowController::kLeftPaneMin, KDDeletailWindowController::kLeftPaneMax))
        << asked;
  }
  EXPECT_EQ(window->progressView()->pProgress1()->width(),
            qRound(KDProgressView::FillWidth(1, static_cast<float>(window->progressView()->width()))));
}

TEST_F(ResultsWindowTest, ANewWindowDoesNotShowTheLastScansProgress) {
  KDDeletailWindowController* first = Scan();
  RunToEnd(first);
  delete first->window();
  double percent = 0;
  std::uint64_t files = 0;
  backend_.GetScanProgress(percent, files);
  ASSERT_EQ(percent, 100) << "the backend still reports the finished scan";
  KDDeletailWindowController* window = Open(Volume());
  window->window()->resize(1000, 700);
  QCoreApplication::processEvents();
  // About the least fill (the bar's own resizing may add a point), far from the last scan's whole bar.
  EXPECT_LT(window->progressView()->pProgress1()->width(),
            KDProgressView::FillWidth(2, static_cast<float>(window->progressView()->width())));
}

TEST_F(ResultsWindowTest, TheDesktopModeHidesTheSearchAndMovesTheViewSwitch) {
  KDDeletailWindowController* window = Open(Volume(), 1, 1);
  EXPECT_FALSE(window->search()->isVisible());
  EXPECT_EQ(ViewFrame(window->segment()), QRectF(775, 3, 104, 25));
  KDDeletailWindowController* plain = Open(Volume(), 1, 0);
  EXPECT_TRUE(plain->search()->isVisible());
  EXPECT_NE(ViewFrame(plain->segment()), QRectF(775, 3, 104, 25));
}

TEST_F(ResultsWindowTest, TheSpanishSummarySitsHigherAndWider) {
  for (const char* language : {"es", "de"}) {
    UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {language});
    KDDeletailWindowController* window = Open(Volume());
    EXPECT_EQ(ViewFrame(window->selectFilesLabel()),
              std::string(language) == "es" ? QRectF(0, 35, 400, 22) : QRectF(0, 32, 300, 22))
        << language;
  }
}

TEST_F(ResultsWindowTest, BuildingTheStripTwiceMakesNothingTwiceAndRestoresItsTexts) {
  UserDefaults::Instance().SetStringList(UserDefaults::kRecentSearches, {"holiday", "invoice"});
  KDDeletailWindowController* window = Open(Volume());
  window->getData();
  Step();
  const int children = static_cast<int>(window->window()->findChildren<QWidget*>().size());
  TCImageButton* pause = window->pauseButton();
  window->buildDetailViewWindowTitleBar();
  EXPECT_EQ(window->window()->findChildren<QWidget*>().size(), children);
  EXPECT_EQ(window->pauseButton(), pause);
  EXPECT_EQ(window->findFilesLabel()->text(), QStringLiteral("Please wait..."));
  QStringList items;
  for (const QAction* action : window->searchMenu()->actions()) items << action->text();
  EXPECT_EQ(items, QStringList({"Recent searches", "holiday", "invoice", "", "Clear recent searches"}));
  window->searchMenu()->actions().last()->trigger();
  items.clear();
  for (const QAction* action : window->searchMenu()->actions()) items << action->text();
  EXPECT_EQ(items, QStringList({"No recent searches", "Clear recent searches"}));
  EXPECT_EQ(UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches), std::vector<std::string>());
}

TEST_F(ResultsWindowTest, ARefusedScanSaysSoAndLeavesTheWindowUsable) {
  backend_.Failures().refuseScan = true;
  KDDeletailWindowController* window = Scan();
  ASSERT_TRUE(WaitForAlert("scanNotStartedAlert"));
  EXPECT_TRUE(Usable(window->backHomeButton()));
  EXPECT_FALSE(window->pauseButton()->isVisible());
  EXPECT_FALSE(Usable(window->advButton())) << "nothing was scanned to go deeper into";
  EXPECT_EQ(window->attachedWindow(), nullptr);
}

TEST_F(ResultsWindowTest, TheAboutButtonOpensTheAboutWindowModally) {
  KDDeletailWindowController* window = Open(Volume());
  Click(window->aboutButton());
  ASSERT_TRUE(QTest::qWaitFor([] {
    const QWidget* modal = ModalRunner::modalWindow();
    return modal && modal->isVisible() && modal->findChild<QWidget*>(QStringLiteral("aboutlink"));
  }));
  ModalRunner::stopModal();
}

TEST_F(ResultsWindowTest, EveryControlHasANameForPeopleAndTests) {
  KDDeletailWindowController* window = Open(Volume());
  for (const char* name : {"backHomeButton", "exportButton", "pauseButton", "continueScanButton", "stopButton",
                           "recovertyButton", "advButton", "aboutButton", "findFilesLabel", "remainTimeLabel",
                           "selectFilesLabel", "progressView", "searchField", "searchMenu", "viewSegment", "pathButton",
                           "typeButton", "creatButton", "modifyButton", "outline0", "fileTable", "selectAllButton",
                           "splistLeftView", "listPane"}) {
    const auto* widget = window->window()->findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_FALSE(widget->accessibleName().isEmpty()) << name;
  }
}

}  // namespace
}  // namespace quellsy::ui::test
