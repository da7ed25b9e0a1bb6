// The export of scan results from the results window on the scripted backend: the save panel with its proposed
// name, the folder checks (an unwritable folder is refused before anything starts; one on the scanned device is
// asked about), the progress window, and what a success leaves ("SavePath", the results counted as saved) or a
// failure does not.

#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <deque>

#include "Bridge/BackgroundTasks.h"
#include "ResultsWindowFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Texts.h"
#include "support/qt/HeldLook.h"

namespace quellsy::ui::test {
namespace {

constexpr const char* kDefault = "alertDefaultButton";
constexpr const char* kAlternate = "alertAlternateButton";
constexpr const char* kOther = "alertOtherButton";

// TCImageButton's "isDisabled" keeps its historical sense: true means usable.
bool Usable(const TCImageButton* button) { return button->isDisabled(); }

class ExportTest : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    UseBackend(backend_);
    // The save plays out as soon as the progress window runs.
    ModalRunner::setRunObserver([this](QWidget* window) {
      if (window->objectName() == QStringLiteral("progressWindow")) {
        ++progressWindows_;
        QTimer::singleShot(0, window, [this] { backend_.RunToEnd(); });
        return;
      }
      if (auto* alert = qobject_cast<AlertPanel*>(window)) alertTexts_.push_back(alert->informativeText());
      Answer(window);
    });
    AnswerWith("scanResultFailedAlert", kDefault);
    AnswerWith("saveNotStartedAlert", kDefault);
    // Each export panel that opens is answered with the next file (an empty one cancels).
    QObject::connect(&panelWatch_, &QTimer::timeout, [this] { AnswerPanel(); });
    panelWatch_.start(1);
  }

  void TearDown() override {
    for (const auto& held : held_) held->Release();
    bridge::BackgroundTasks::Instance().WaitForAll();
    ResultsWindowFixture::TearDown();
  }

  // Export clicked; returns once the export has run its course (every folder looked at, panel and alert answered).
  static void Export(KDDeletailWindowController* window) {
    Click(window->exportButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->exportCheck()->running(); }));
  }

  KDDeletailWindowController* ScannedWindow() {
    auto stick = backend_.GetDeviceInfoToArray()[1];
    auto volume = stick->childAtIndex(0);
    volume->setParentName(stick->name());
    KDDeletailWindowController* window = Open(volume, 1);
    window->getData();
    backend_.RunToEnd();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Usable(window->exportButton()); }));
    return window;
  }

  void AnswerPanel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* panel = qobject_cast<QFileDialog*>(widget);
      if (!panel || !panel->isVisible() || panel->objectName() != QStringLiteral("exportPanel")) continue;
      proposed_.push_back(panel->selectedFiles().value(0));
      const QString file = panels_.empty() ? QString() : panels_.front();
      if (!panels_.empty()) panels_.pop_front();
      if (file.isEmpty()) {
        panel->reject();
      } else {
        panel->selectFile(file);
        static_cast<QDialog*>(panel)->accept();
      }
    }
  }

  QString In(const quellsy::test::TempDir& dir, const char* name) const {
    return QString::fromStdString((dir.path() / name).string());
  }

  ScriptedBackend backend_;
  QTimer panelWatch_;
  std::deque<QString> panels_;
  std::vector<QString> proposed_;
  std::vector<QString> alertTexts_;
  int progressWindows_ = 0;
  quellsy::test::TempDir out_;
  std::vector<std::shared_ptr<quellsy::test::HeldLook>> held_;
};

TEST_F(ExportTest, ASavedExportStoresItsPathWithTheExtensionAndCountsTheResultsAsSaved) {
  KDDeletailWindowController* window = ScannedWindow();
  panels_ = {In(out_, "first"), In(out_, "second.Vortrane")};
  Export(window);
  EXPECT_TRUE(window->bSave());
  EXPECT_EQ(backend_.GetSavePath(), (out_.path() / "first.Vortrane").string());
  ASSERT_EQ(proposed_.size(), 1u);
  // The scanned device's name, an underscore and the time, with the extension the panel adds.
  const QString device = QString::fromStdString(backend_.GetSaveFileName()).section(QLatin1Char('_'), 0, 0);
  EXPECT_TRUE(QFileInfo(proposed_[0]).fileName().startsWith(device + QLatin1Char('_'))) << proposed_[0].toStdString();
  EXPECT_TRUE(proposed_[0].endsWith(QStringLiteral(".Vortrane"))) << proposed_[0].toStdString();
  // A second export writes a new file; the last one stays under "SavePath" and the panel starts in its folder.
  Export(window);
  EXPECT_EQ(backend_.GetSavePath(), (out_.path() / "second.Vortrane").string());
  ASSERT_EQ(proposed_.size(), 2u);
  EXPECT_TRUE(proposed_[1].startsWith(QString::fromStdString(out_.path().string()))) << proposed_[1].toStdString();
  EXPECT_EQ(progressWindows_, 2);
  EXPECT_TRUE(alertTexts_.empty());
  // Saved results let the window go without asking.
  EXPECT_TRUE(window->SaveScanResult());
}

TEST_F(ExportTest, CancellingThePanelSavesNothing) {
  KDDeletailWindowController* window = ScannedWindow();
  panels_ = {QString()};
  Export(window);
  EXPECT_FALSE(window->bSave());
  EXPECT_EQ(backend_.GetSavePath(), "");
  EXPECT_EQ(progressWindows_, 0);
}

TEST_F(ExportTest, AFolderNoOneMayWriteInIsRefusedBeforeTheSaveStartsEvenWhenItsParentIsWritable) {
  KDDeletailWindowController* window = ScannedWindow();
  // /proc/1 takes no new file, not even from root; /proc itself passes the writability test.
  ASSERT_NE(::access("/proc/1", W_OK), 0);
  ASSERT_TRUE(QFileInfo(QStringLiteral("/proc/1")).isDir());
  // Change destination, then a writable folder.
  AnswerWith("saveCannotWriteAlert", kDefault);
  panels_ = {QStringLiteral("/proc/1/scan"), In(out_, "scan")};
  Export(window);
  EXPECT_EQ(AlertsShown(), std::vector<std::string>{"saveCannotWriteAlert"});
  EXPECT_EQ(progressWindows_, 1);
  EXPECT_EQ(backend_.GetSavePath(), (out_.path() / "scan.Vortrane").string());
  EXPECT_TRUE(window->bSave());

  // The other answer gives up: nothing starts.
  window->setBSave(false);
  AnswerWith("saveCannotWriteAlert", kAlternate);
  panels_ = {QStringLiteral("/proc/1/scan")};
  const std::size_t begun = std::count(backend_.Calls().begin(), backend_.Calls().end(), "beginSaveOrRestoreNode");
  Export(window);
  EXPECT_FALSE(window->bSave());
  EXPECT_EQ(std::count(backend_.Calls().begin(), backend_.Calls().end(), "beginSaveOrRestoreNode"), begun);
  EXPECT_EQ(progressWindows_, 1);
}

TEST_F(ExportTest, TheWindowGoesOnWhileTheChosenFolderIsLookedAtThenActsOnTheAnswer) {
  using quellsy::test::HeldLook;
  KDDeletailWindowController* window = ScannedWindow();
  DestinationCheck* check = window->exportCheck();
  DestinationProbe probe = check->probe();
  const auto held = held_.emplace_back(std::make_shared<HeldLook>());
  probe.takesFiles = HeldLook::Holding(held, probe.takesFiles);
  check->setProbe(probe);
  // /proc/1 takes no new file, not even from root; the answer gives up.
  AnswerWith("saveCannotWriteAlert", kAlternate);
  panels_ = {QStringLiteral("/proc/1/scan"), In(out_, "never")};
  Click(window->exportButton());
  ASSERT_TRUE(QTest::qWaitFor([&] { return held->asked == 1; }));
  EXPECT_EQ(proposed_.size(), 1u);
  EXPECT_TRUE(check->running());
  // The GUI thread still runs its timers, and a second Export meanwhile opens no panel.
  bool fired = false;
  QTimer::singleShot(0, window, [&fired] { fired = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }));
  Click(window->exportButton());
  QTest::qWait(5);
  EXPECT_EQ(proposed_.size(), 1u);
  EXPECT_TRUE(AlertsShown().empty()) << "nothing is said before the answer";

  held->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !check->running(); }));
  EXPECT_EQ(AlertsShown(), std::vector<std::string>{"saveCannotWriteAlert"});
  EXPECT_EQ(held->asked, 1);
  EXPECT_FALSE(held->askedOnGuiThread);
  EXPECT_EQ(std::count(backend_.Calls().begin(), backend_.Calls().end(), "beginSaveOrRestoreNode"), 0);
  EXPECT_FALSE(window->bSave());
}

TEST_F(ExportTest, AFolderOnTheScannedDeviceIsAskedAboutWithThreeAnswers) {
  KDDeletailWindowController* window = ScannedWindow();
  backend_.Failures().scannedDevicePrefix = out_.path().string();
  quellsy::test::TempDir elsewhere;
  // Change destination: the panel again, another folder saves without asking.
  AnswerWith("saveSameDiskAlert", kDefault);
  panels_ = {In(out_, "a"), In(elsewhere, "b")};
  Export(window);
  EXPECT_EQ(backend_.GetSavePath(), (elsewhere.path() / "b.Vortrane").string());
  // Cancel: nothing.
  AnswerWith("saveSameDiskAlert", kAlternate);
  panels_ = {In(out_, "c")};
  Export(window);
  EXPECT_EQ(backend_.GetSavePath(), (elsewhere.path() / "b.Vortrane").string());
  // Save there anyway.
  AnswerWith("saveSameDiskAlert", kOther);
  panels_ = {In(out_, "d")};
  Export(window);
  EXPECT_EQ(backend_.GetSavePath(), (out_.path() / "d.Vortrane").string());
  EXPECT_EQ(std::count(AlertsShown().begin(), AlertsShown().end(), "saveSameDiskAlert"), 3);
  EXPECT_EQ(progressWindows_, 2);
}

TEST_F(ExportTest, AFailedSaveSaysWhyAndLeavesTheResultsUnsaved) {
  KDDeletailWindowController* window = ScannedWindow();
  backend_.Failures().saveError = 8;
  panels_ = {In(out_, "full")};
  Export(window);
  EXPECT_FALSE(window->bSave());
  EXPECT_EQ(backend_.GetSavePath(), "");
  EXPECT_EQ(alertTexts_, std::vector<QString>{Text("SAVE_RSF_WRITE_FAILED")});

  // A save the bridge refuses to start (another operation runs) is said too, and no progress window waits.
  backend_.Failures().saveError = 0;
  backend_.Failures().refuseSave = -3;
  panels_ = {In(out_, "busy")};
  Export(window);
  EXPECT_FALSE(window->bSave());
  EXPECT_EQ(progressWindows_, 1);
  EXPECT_EQ(alertTexts_.back(), Text("SAVE_RSF_FAILED"));
  EXPECT_TRUE(Usable(window->exportButton())) << "the window stays usable";
}

TEST_F(ExportTest, ImportedResultsHaveNoExportAndTheActionDoesNothing) {
  auto* window = new KDDeletailWindowController(Fast());
  window->window()->show();
  window->getImportData("/tmp/results.Vortrane");
  EXPECT_FALSE(window->exportButton()->isVisible());
  EXPECT_FALSE(window->advButton()->isVisible());
  panels_ = {In(out_, "never")};
  window->exportButtonAction();
  QCoreApplication::processEvents();
  EXPECT_TRUE(proposed_.empty());
  EXPECT_EQ(backend_.GetSavePath(), "");
}

}  // namespace
}  // namespace quellsy::ui::test
