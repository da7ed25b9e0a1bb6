// A person's journeys through the program's real windows on the real engine: the journey disk (FAT32, NTFS with a
// compressed folder, exFAT; made by their own tools, each with deleted files) attached with losetup -P is chosen
// on the device page, scanned quickly to the end while the found count rises, browsed in the path tree to a
// folder, searched for by a file's name, the folder checked (the summary is the manifest's count and size), and
// recovered into a temporary folder as the invoking user's, byte for byte against the manifest's SHA-256. The
// results are exported, the program started again, the file imported, and the folder recovered again: the same
// bytes. Skips without root or loop devices.

#include <QLabel>
#include <QTimer>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>

#include "JourneySupport.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/ResultsBrowser.h"

namespace quellsy::ui::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

void ExpectOwnedBy(const fs::path& folder, uid_t owner) {
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    struct stat info {};
    ASSERT_EQ(lstat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, owner) << entry.path();
  }
}

struct JourneyCase {
  const char* partition;
  int index;           // in the partition table
  const char* folder;  // checked and recovered
};

void PrintTo(const JourneyCase& journey, std::ostream* out) { *out << journey.partition << " " << journey.folder; }

class Journey : public JourneyFixture, public ::testing::WithParamInterface<JourneyCase> {
 protected:
  // Checks folder in the path tree: the summary and the facade's selection are the manifest's.
  void CheckFolder(KDDeletailWindowController* results, const std::vector<DiskFile>& inFolder) {
    const QModelIndex row = FolderRow(results->browser(), GetParam().folder);
    ASSERT_TRUE(row.isValid()) << GetParam().folder << " is not in the path tree";
    ClickBox(results->browser()->outline(0), row);
    ExpectSelected(results, inFolder);
  }

  // Recover, the folder panel answered with dest; the copies are the invoking user's.
  void RecoverInto(KDDeletailWindowController* results, const fs::path& dest) {
    fs::permissions(dest, fs::perms::all);
    AnswerPanelsWith(dest, {});
    const std::size_t ended = TimesShown("recoveryEndWindow");
    ASSERT_TRUE(results->recovertyButton()->isEnabled());
    QTest::mouseClick(results->recovertyButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitShown("recoveryEndWindow", ended + 1)) << "the finished window ends it";
    EXPECT_EQ(TimesShown("noCompetenceAlert") + TimesShown("sameDeviceAlert") + TimesShown("noSpaceAlert"), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->backend.IsRecoveryRunning(); }, 60000));
    ExpectOwnedBy(dest, kNobody);
  }
};

TEST_P(Journey, ScanBrowseSearchCheckRecoverThenExportImportAndRecoverTheSameBytes) {
  QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
  if (const std::string why = AttachDisk(); !why.empty()) GTEST_SKIP() << why;
  const JourneyCase& journey = GetParam();
  const std::vector<DiskFile> deleted = DeletedIn(journey.partition);
  const std::vector<DiskFile> inFolder = DeletedIn(journey.partition, journey.folder);
  ASSERT_FALSE(inFolder.empty()) << "the manifest has deleted files in " << journey.folder;
  // Started by user 65534 through pkexec: recovered and exported files are that user's.
  const quellsy::test::ScopedEnv user("PKEXEC_UID", std::to_string(kNobody).c_str());
  AnswerWith("recoveryEndWindow", "okButton");

  // Start, the quick scan of the partition, its found count rising to the end.
  Start();
  KDDeletailWindowController* results = ScanFromTheMainWindow("deletedRecoveryTile", journey.index);
  ASSERT_NE(results, nullptr);
  std::vector<std::uint64_t> counts;
  QObject observer;
  ObserveNotification(&observer, "NormalScranValue", [&](const bridge::Notification&) {
    const QString text = results->findFilesLabel()->text();
    if (results->findFilesLabel()->isVisible() && text.startsWith(QStringLiteral("Files found: ")))
      counts.push_back(text.mid(13).trimmed().toULongLong());
  });
  ASSERT_TRUE(WaitForScanEnd(results));
  StopObserving(&observer);
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "the found count only grows";
  for (const std::uint64_t count : counts) EXPECT_LE(count, deleted.size());
  EXPECT_EQ(results->selectFilesLabel()->text(),
            SummaryLine("Found", TotalSize(deleted), deleted.size()));

  // Browse to the folder: it lists its deleted files.
  ResultsBrowser* browser = results->browser();
  const QModelIndex folder = FolderRow(browser, journey.folder);
  ASSERT_TRUE(folder.isValid()) << journey.folder << " is not in the path tree";
  ClickRow(browser->outline(0), folder);
  EXPECT_EQ(ListedNames(browser), NameTails(inFolder));

  // Search for one of them by name: the listing holds the files whose names hold it.
  ExpectSearchListsMatching(results, BaseNameTail(inFolder.front().path), deleted);

  // Check the folder and recover it.
  CheckFolder(results, inFolder);
  const quellsy::test::TempDir recovered;
  RecoverInto(results, recovered.path());
  EXPECT_EQ(quellsy::test::DigestsBelow(recovered.path()), ContentsOf(inFolder));

  // Export the results.
  const quellsy::test::TempDir exported;
  fs::permissions(exported.path(), fs::perms::all);
  AnswerPanelsWith({}, exported / "journey");
  QTest::mouseClick(results->exportButton(), Qt::LeftButton);
  fs::path saved;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    for (const auto& entry : fs::directory_iterator(exported.path()))
      if (entry.is_regular_file() && entry.file_size() > 0) saved = entry.path();
    return results->bSave() && !saved.empty() && !program_->backend.IsScanRunning();
  }, 60000)) << "nothing exported";
  EXPECT_TRUE(AlertTexts().empty()) << AlertsSeen();

  // Quit, start again, import, recover the folder again: the same bytes.
  Quit();
  Start();
  KDRootWindowController* root = program_->Root();
  ASSERT_NE(root, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(root->window()));
  AnswerPanelsWith({}, saved);
  QTest::mouseClick(root->importButton(), Qt::LeftButton);
  KDDeletailWindowController* imported = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    imported = ShownResultsWindow();
    // The window looks for the restore's end on its timer.
    return imported && imported->isImport() && imported->selectFilesLabel()->isVisible() &&
           !program_->backend.IsScanRunning() && (!imported->endScanTimer() || !imported->endScanTimer()->isActive());
  }, 60000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(AlertTexts().empty()) << AlertsSeen();
  EXPECT_EQ(imported->selectFilesLabel()->text(),
            SummaryLine("Found", TotalSize(deleted), deleted.size()));
  CheckFolder(imported, inFolder);
  const quellsy::test::TempDir again;
  RecoverInto(imported, again.path());
  EXPECT_EQ(quellsy::test::DigestsBelow(again.path()), ContentsOf(inFolder));
}

INSTANTIATE_TEST_SUITE_P(OnTheJourneyDisk, Journey,
                         ::testing::Values(JourneyCase{"fat32", 0, "/photos"}, JourneyCase{"ntfs", 1, "/packed"},
                                           JourneyCase{"exfat", 2, "/music"}),
                         [](const auto& named) { return std::string(named.param.partition); });

}  // namespace
}  // namespace quellsy::ui::test
