// Faults a person meets on the journey disk, through the program's real windows on the real engine: a damaged
// scan-result file given to the main window's Import is refused in words, no results window opens, and the same
// main window then imports the good file; a quit asked for while a scan runs asks first, stops the scan and ends
// the program without a crash. Skips without root or loop devices.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "Bridge/KDUIController.h"
#include "Bridge/OperationStates.h"
#include "JourneySupport.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui::test {
namespace {

namespace fs = std::filesystem;

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Faults : public JourneyFixture {
 protected:
  // The program started and the FAT32 partition's quick scan begun from the main window, held by scan.
  void StartAHeldQuickScan(HeldWorker& scan, KDDeletailWindowController*& results) {
    Start();
    results = ScanFromTheMainWindow("deletedRecoveryTile", 0);
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.Held() && program_->backend.IsScanRunning(); }, 60000));
  }

  // Imports file through the main window's Import; the results window it opened, or null when it opened none.
  KDDeletailWindowController* ImportFromTheMainWindow(const fs::path& file) {
    KDRootWindowController* root = program_->Root();
    if (!root) {
      ADD_FAILURE() << "no main window";
      return nullptr;
    }
    const std::size_t alerts = AlertTexts().size();
    AnswerPanelsWith({}, file);
    QTest::mouseClick(root->importButton(), Qt::LeftButton);
    KDDeletailWindowController* imported = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] {
      imported = ShownResultsWindow();
      const bool ended = imported && imported->isImport() && imported->selectFilesLabel()->isVisible() &&
                         !program_->backend.IsScanRunning() &&
                         (!imported->endScanTimer() || !imported->endScanTimer()->isActive());
      return ended || AlertTexts().size() > alerts;
    }, 60000));
    QCoreApplication::processEvents();
    return ShownResultsWindow();
  }
};

TEST_F(Faults, ADamagedScanResultFileIsRefusedInWordsAndTheMainWindowImportsTheGoodOneAfter) {
  QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
  if (const std::string why = AttachDisk(); !why.empty()) GTEST_SKIP() << why;
  const std::vector<DiskFile> deleted = DeletedIn("fat32");

  // A scan result of the FAT32 partition, exported.
  Start();
  KDDeletailWindowController* results = ScanFromTheMainWindow("deletedRecoveryTile", 0);
  ASSERT_NE(results, nullptr);
  ASSERT_TRUE(WaitForScanEnd(results));
  const quellsy::test::TempDir files;
  AnswerPanelsWith({}, files / "good");
  QTest::mouseClick(results->exportButton(), Qt::LeftButton);
  const fs::path good = files / "good.Vortrane";
  ASSERT_TRUE(QTest::qWaitFor([&] { return results->bSave() && fs::exists(good) && fs::file_size(good) > 64; }, 60000));
  ASSERT_TRUE(AlertTexts().empty()) << AlertsSeen();

  const std::vector<char> whole = Bytes(good);
  std::vector<char> flipped = whole;
  flipped[4] = static_cast<char>(flipped[4] ^ 0x10);
  const std::vector<std::pair<const char*, std::vector<char>>> damaged = {
      {"truncated", std::vector<char>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
      {"bit-flipped", flipped},
      {"empty", {}}};
  Start();
  for (const auto& [name, bytes] : damaged) {
    SCOPED_TRACE(name);
    const fs::path file = files / (std::string(name) + ".Vortrane");
    Write(file, bytes);
    const std::size_t alerts = AlertTexts().size();
    EXPECT_EQ(ImportFromTheMainWindow(file), nullptr);
    ASSERT_EQ(AlertTexts().size(), alerts + 1);
    EXPECT_EQ(AlertTexts().back(), Text("READ_RSF_FAILED"));
    EXPECT_FALSE(AlertTexts().back().isEmpty());
    ASSERT_NE(program_->Root(), nullptr) << "the main window stays";
    EXPECT_TRUE(program_->Root()->window()->isVisible());
  }
  EXPECT_EQ(program_->backend.closeCalls(), 0);

  // The good file after them, from the same main window.
  const std::size_t alerts = AlertTexts().size();
  KDDeletailWindowController* imported = ImportFromTheMainWindow(good);
  ASSERT_NE(imported, nullptr);
  EXPECT_EQ(AlertTexts().size(), alerts);
  std::uint64_t count = 0;
  for (std::size_t id = 0; id < imported->pathTree().Size(); ++id) count += program_->backend.PathChildFiles(id).size();
  EXPECT_EQ(count, deleted.size());
}

TEST_F(Faults, AQuitDuringAScanAsksFirstThenStopsTheScanAndEndsTheProgram) {
  QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
  if (const std::string why = AttachDisk(); !why.empty()) GTEST_SKIP() << why;
  HeldWorker scan(bridge::FacadeStart::kScan);
  KDDeletailWindowController* results = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartAHeldQuickScan(scan, results));

  auto* quit = program_->session->delegate().applicationMenu()->findChild<QAction*>(QStringLiteral("exit"));
  ASSERT_NE(quit, nullptr);
  quit->trigger();
  // The question is answered with its default button: stop the scan and end.
  ASSERT_TRUE(QTest::qWaitFor([&] { return program_->backend.closeCalls() > 0; }, 60000)) << AlertsSeen();
  ASSERT_EQ(AlertTexts().size(), 1u) << "asked once: " << AlertsSeen();
  EXPECT_FALSE(AlertTexts().front().isEmpty());
  EXPECT_EQ(program_->backend.closeCalls(), 1);
  scan.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->backend.IsScanRunning(); }, 120000)) << "the scan stops";
  EXPECT_EQ(program_->backend.closeCalls(), 1);
}

// The medium goes while the scan waits to read it, as a card pulled from its reader: the loop device's backing
// file is emptied and the device told its new size (losetup -c). A plain losetup -d cannot show this: the kernel
// only marks a device in use to go once it is closed. The scan's end says in words that the device stopped
// answering, once, and the window stays with what was found.
TEST_F(Faults, AMediumGoneDuringAScanEndsTheScanWithoutACrash) {
  QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
  if (const std::string why = AttachDisk(); !why.empty()) GTEST_SKIP() << why;
  HeldWorker scan(bridge::FacadeStart::kScan);
  KDDeletailWindowController* results = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartAHeldQuickScan(scan, results));
  fs::resize_file(diskImage_, 0);
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixtureCommand("losetup -c " + loop_.path()));
  scan.Release();
  ASSERT_TRUE(WaitForScanEnd(results));
  EXPECT_EQ(results->selectFilesLabel()->text(), SummaryLine("Found", 0, 0)) << "nothing was there";
  ASSERT_TRUE(WaitShown("deviceStoppedAnsweringAlert")) << AlertsSeen();
  EXPECT_EQ(TimesShown("deviceStoppedAnsweringAlert"), 1u);
  const auto told = std::count_if(AlertTexts().begin(), AlertTexts().end(), [](const QString& text) {
    return text.contains(QStringLiteral("stopped answering during the scan")) &&
           text.contains(QStringLiteral("what was found before is kept"));
  });
  EXPECT_EQ(told, 1) << AlertsSeen();
  std::string reason;
  EXPECT_TRUE(IsFailure(KDUIController::GetLastScanResult(&reason)));
  EXPECT_NE(reason.find("stopped answering during the scan"), std::string::npos) << reason;
  EXPECT_EQ(program_->backend.closeCalls(), 0);
  EXPECT_TRUE(results->window()->isVisible());
}

}  // namespace
}  // namespace quellsy::ui::test
