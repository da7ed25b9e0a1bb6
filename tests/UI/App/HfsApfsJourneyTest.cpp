// Journeys through the program's real windows over HFS+ and APFS, each attached with losetup: an HFS+ volume
// (written by the test-side writer, journaled, with files deleted after their records were logged) scanned quickly,
// and the Linux-made APFS container scanned completely, as the program asks for APFS. Each is browsed in the path
// tree to a folder, searched for by a file's name, the folder checked (the summary is the manifest's count and size)
// and recovered into a temporary folder, byte for byte against the manifest's SHA-256. On the HFS+ volume a file's
// preview is opened with the space bar and a month of the modification tree is checked. Skips without root or loop
// devices.

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "JourneySupport.h"
#include "UI/Kit/ItemViews/SpacePreviewWindow.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "support/PublicFixture.h"
#include "support/hfsplus/HFSPlusWriter.h"

namespace quellsy::ui::test {
namespace {

namespace fs = std::filesystem;

std::vector<DiskFile> Below(const std::vector<DiskFile>& files, const std::string& folder) {
  std::vector<DiskFile> found;
  for (const DiskFile& file : files)
    if (file.path.rfind(folder + "/", 0) == 0) found.push_back(file);
  return found;
}

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

// The HFS+ volume, written once per process: a live folder, and deleted after their records were logged a folder
// "trip" with three files and a file at the top. The writer dates every entry in mid-August 2023.
struct HfsVolume {
  quellsy::test::TempDir dir;
  fs::path image;
  std::vector<DiskFile> deleted;

  static const HfsVolume& Get() {
    static const HfsVolume volume;
    return volume;
  }

 private:
  HfsVolume() {
    quellsy::test::HFSPlusWriterOptions options;
    options.totalBlocks = 4096;
    options.journal.enabled = true;
    quellsy::test::HFSPlusWriter writer(options);
    const std::uint32_t kept = writer.AddFolder(2, u"letters");
    writer.AddFile(kept, u"kept.txt", Bytes(5000, 1));
    const std::uint32_t trip = writer.AddFolder(2, u"trip");
    const std::uint32_t beach = writer.AddFile(trip, u"beach.jpg", Bytes(40000, 2));
    const std::uint32_t hotel = writer.AddFile(trip, u"hotel bill.pdf", Bytes(12346, 3));
    const std::uint32_t route = writer.AddFile(trip, u"route.gpx", Bytes(7000, 4), 3);
    const std::uint32_t draft = writer.AddFile(2, u"draft.txt", Bytes(2500, 5));
    for (const std::uint32_t id : {beach, hotel, route, draft, trip}) writer.Delete(id);
    image = dir / "trip.img";
    writer.Build()->WriteFile(image);
    for (const quellsy::test::ImageManifestEntry& entry : writer.DeletedManifest())
      if (!entry.sha256.empty()) deleted.push_back({"hfsplus", "/" + entry.path, entry.size, entry.sha256, true});
  }
};

// The Linux-made container's manifest (path, size, SHA-256, state).
std::vector<DiskFile> ApfsManifest() {
  std::ifstream in(quellsy::test::PublicFixture("linux-made/apfs-deleted.manifest.tsv"));
  std::vector<DiskFile> files;
  std::string line;
  std::getline(in, line);  // heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    DiskFile file{"apfs", "/", 0, {}, false};
    std::string path, size, state;
    std::getline(fields, path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, file.sha256, '\t');
    std::getline(fields, state, '\t');
    file.path += path;
    file.size = std::stoull(size);
    file.deleted = state == "deleted";
    files.push_back(file);
  }
  return files;
}

// The path tree's row of folder ("/"-separated, from a file-system root), expanded to it; the first of the tree's
// roots (a complete scan adds the carved files' roots) that holds it.
QModelIndex NestedFolderRow(ResultsBrowser* browser, const std::string& folder) {
  QTest::mouseClick(browser->tabButton(0), Qt::LeftButton);
  const ResultTreeModel* paths = browser->treeModel(0);
  const QStringList names = QString::fromStdString(folder).toLower().split('/', Qt::SkipEmptyParts);
  for (int top = 0; top < paths->rowCount(); ++top) {
    QModelIndex row = paths->index(top, 0);
    for (const QString& name : names) {
      browser->outline(0)->expand(row);
      QModelIndex child;
      for (int n = 0; n < paths->rowCount(row); ++n)
        if (paths->index(n, 0, row).data().toString().toLower() == name) child = paths->index(n, 0, row);
      if (!(row = child).isValid()) break;
    }
    if (row.isValid()) return row;
  }
  return {};
}

class HfsApfsJourney : public JourneyFixture {
 protected:
  // Browses to folder (it lists files), searches for the first one's name (the listing is every file whose name
  // holds it), checks the folder and recovers it: the copies are the manifest's bytes.
  void BrowseSearchCheckRecover(KDDeletailWindowController* results, const std::string& folder,
                                const std::vector<DiskFile>& found) {
    const std::vector<DiskFile> files = Below(found, folder);
    ASSERT_FALSE(files.empty()) << "the manifest has files in " << folder;
    ResultsBrowser* browser = results->browser();
    QModelIndex row = NestedFolderRow(browser, folder);
    ASSERT_TRUE(row.isValid()) << folder << " is not in the path tree";
    ClickRow(browser->outline(0), row);
    std::set<QString> direct;
    for (const DiskFile& file : files)
      if (file.path.find('/', folder.size() + 1) == std::string::npos) direct.insert(BaseNameTail(file.path));
    EXPECT_EQ(ListedNames(browser), direct);

    ExpectSearchListsMatching(results, BaseNameTail(files.front().path), found);

    row = NestedFolderRow(browser, folder);
    ASSERT_TRUE(row.isValid());
    ClickBox(browser->outline(0), row);
    ExpectSelected(results, files);

    const quellsy::test::TempDir recovered;
    fs::permissions(recovered.path(), fs::perms::all);
    AnswerPanelsWith(recovered.path(), {});
    ASSERT_TRUE(results->recovertyButton()->isEnabled());
    QTest::mouseClick(results->recovertyButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitShown("recoveryEndWindow")) << "the finished window ends it";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->backend.IsRecoveryRunning(); }, 60000));
    EXPECT_TRUE(AlertTexts().empty()) << AlertsSeen();
    EXPECT_EQ(quellsy::test::DigestsBelow(recovered.path()), ContentsOf(files));
  }
};

TEST_F(HfsApfsJourney, HfsPlusQuickScanPreviewMonthFolderAndRecovery) {
  const HfsVolume& volume = HfsVolume::Get();
  ASSERT_EQ(volume.deleted.size(), 4u) << "the writer's manifest lists the deleted files";
  if (const std::string why = AttachImage(volume.image, 0); !why.empty()) GTEST_SKIP() << why;
  AnswerWith("recoveryEndWindow", "okButton");

  Start();
  KDDeletailWindowController* results = ScanFromTheMainWindow("deletedRecoveryTile", -1);
  ASSERT_NE(results, nullptr);
  ASSERT_TRUE(WaitForScanEnd(results));
  EXPECT_EQ(results->selectFilesLabel()->text(),
            SummaryLine("Found", TotalSize(volume.deleted), volume.deleted.size()));
  ResultsBrowser* browser = results->browser();

  // The space bar over a row of the folder's table opens that file's preview.
  const QModelIndex trip = NestedFolderRow(browser, "/trip");
  ASSERT_TRUE(trip.isValid()) << "/trip is not in the path tree";
  ClickRow(browser->outline(0), trip);
  ASSERT_EQ(browser->listModel()->rowCount(), 3);
  const QModelIndex second = browser->listModel()->index(1, FileListModel::kName);
  ClickRow(browser->tableView(), second);
  ASSERT_EQ(browser->selectedRow(), 1);
  QTest::keyClick(browser->tableView(), Qt::Key_Space);
  ASSERT_NE(browser->spacePreviewWindow(), nullptr);
  EXPECT_EQ(browser->spacePreviewWindow()->titleLabel()->text(), second.data().toString());
  EXPECT_TRUE(NameTails(volume.deleted).count(NameTail(second.data().toString().toStdString())));
  browser->tableView()->setFocus();
  QTest::keyClick(browser->tableView(), Qt::Key_Space);
  EXPECT_EQ(browser->spacePreviewWindow(), nullptr) << "the next press closes it";

  // The writer dates its entries 0xE1000000 seconds after 1904 (2023-08-14 16:00 UTC) plus a few thousand:
  // August 2023 in every time zone, so that month holds every deleted file.
  QTest::mouseClick(browser->tabButton(3), Qt::LeftButton);
  ResultTreeModel* modified = browser->treeModel(3);
  browser->outline(3)->expand(modified->index(0, 0));
  QModelIndex year;
  for (int n = 0; n < modified->rowCount(modified->index(0, 0)); ++n)
    if (modified->index(n, 0, modified->index(0, 0)).data().toString().startsWith("2023("))
      year = modified->index(n, 0, modified->index(0, 0));
  ASSERT_TRUE(year.isValid()) << "no year 2023 in the modification tree";
  browser->outline(3)->expand(year);
  ASSERT_EQ(modified->rowCount(year), 1) << "one month";
  const QModelIndex august = modified->index(0, 0, year);
  EXPECT_EQ(august.data().toString(), QStringLiteral("08(%1)").arg(volume.deleted.size()));
  ClickBox(browser->outline(3), august);
  ExpectSelected(results, volume.deleted);
  ClickBox(browser->outline(3), august);
  ExpectSelected(results, {});

  BrowseSearchCheckRecover(results, "/trip", volume.deleted);
}

TEST_F(HfsApfsJourney, ApfsCompleteScanFolderAndRecovery) {
  const fs::path image = QUELLSY_APFS_DELETED_IMAGE;
  ASSERT_TRUE(fs::exists(image)) << "the build unpacks it from linux-made/apfs-deleted.img.xz";
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  // The 1 GiB sparse container is attached read-only where the build put it: no copy.
  diskImage_ = image;
  if (const std::string why = loop_.Attach(image, 512, false); !why.empty()) GTEST_SKIP() << why;
  AnswerWith("recoveryEndWindow", "okButton");

  Start();
  KDDeletailWindowController* results = ScanFromTheMainWindow("completeRecoveryTile", -1);
  ASSERT_NE(results, nullptr);
  ASSERT_TRUE(WaitForScanEnd(results, 600));
  // Its live logs and the deleted ones older tree nodes still hold: the folder's files are the manifest's, both.
  BrowseSearchCheckRecover(results, "/Users/alice/Library/Logs", ApfsManifest());
}

}  // namespace
}  // namespace quellsy::ui::test
