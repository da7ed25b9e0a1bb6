// The results window on the real bridge: a quick scan of a FAT image made at test time (mkfs.fat and mtools,
// with its manifest), listed as a disk's only volume, shows the files the manifest lists as deleted - the quick
// scan's own kind - under their folders, with their count and total size.

#include <QLabel>
#include <algorithm>
#include <cstdio>
#include <set>

#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "ResultsWindowFixture.h"
#include "ScanImages.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"

namespace quellsy::ui::test {
namespace {

using quellsy::test::FakeEnumDeviceEx;
using quellsy::test::ScanImages;
using quellsy::test::ScanManifestEntry;

// A size as the windows write it: decimal units, two decimals from a kilobyte on.
QString DecimalSize(std::uint64_t bytes) {
  if (bytes < 1000) return QStringLiteral("%1 byte").arg(bytes);
  return QString::asprintf("%0.2f KB", static_cast<double>(bytes) / 1000.0);
}

class ResultsWindowOnTheBridge : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    RegisterBuiltInEngines();
    KDUIScan::ResetForTests();
    bridge::ResultTrees::ResetForTests();
  }
  void TearDown() override {
    ResultsWindowFixture::TearDown();
    KDUIController::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    KDUIScan::ResetForTests();
    KDUIDeviceData::ResetForTests();
  }

  BridgeBackend backend_;
  std::unique_ptr<FakeEnumDeviceEx> disks_;
};

TEST_F(ResultsWindowOnTheBridge, AQuickScanOfAFatImageShowsTheManifestsDeletedFilesAndTheirCounts) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  disks_ = std::make_unique<FakeEnumDeviceEx>(std::vector{images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  KDUIDeviceData::ResetForTests(disks_.get());
  KDUIDeviceData::instance()->BeginInit();
  KDUIDeviceData::instance()->InitDeviceInfo();
  UseBackend(backend_);
  backend_.SetRecoveryType(127);
  const auto items = backend_.GetDeviceInfoToArray();
  ASSERT_EQ(items.size(), 1u);
  ASSERT_NE(items[0]->childAtIndex(0), nullptr);

  KDDeletailWindowController* window = Open(items[0]->childAtIndex(0), 1);
  window->getData();
  // The found count as the window shows it at each delivery of results (after the window's own handler).
  std::vector<std::uint64_t> counts;
  QObject observer;
  ObserveNotification(&observer, "NormalScranValue", [&](const bridge::Notification&) {
    const QString text = window->findFilesLabel()->text();
    if (window->findFilesLabel()->isVisible() && text.startsWith(QStringLiteral("Files found: ")))
      counts.push_back(text.mid(13).trimmed().toULongLong());
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->selectFilesLabel()->isVisible(); }, 120000));

  std::vector<ScanManifestEntry> deleted;
  std::uint64_t deletedSize = 0;
  std::set<std::string> folders;
  for (const ScanManifestEntry& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    deleted.push_back(entry);
    deletedSize += entry.size;
    const std::string folder = entry.path.substr(0, entry.path.rfind('/'));
    if (!folder.empty()) folders.insert(folder);
  }
  ASSERT_FALSE(deleted.empty());
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "the found count only grows";
  for (const std::uint64_t count : counts) EXPECT_LE(count, deleted.size());
  EXPECT_FALSE(window->findFilesLabel()->isVisible()) << "the end state shows the summary instead";
  EXPECT_TRUE(window->recovertyButton()->isDisabled()) << "usable at the end";
  EXPECT_EQ(window->selectFilesLabel()->text(),
            QStringLiteral("Found %1 in %2 files").arg(DecimalSize(deletedSize)).arg(deleted.size()));

  // One file-system root, with the deleted files' folders below it and the deleted files in it.
  ResultTreeModel* paths = window->browser()->treeModel(0);
  ASSERT_EQ(paths->rowCount(), 1);
  std::size_t folderRows = 0;
  std::size_t filesListed = 0;
  std::vector<QModelIndex> pending{paths->index(0, 0)};
  while (!pending.empty()) {
    const QModelIndex folder = pending.back();
    pending.pop_back();
    if (paths->canFetchMore(folder)) paths->fetchMore(folder);
    filesListed += paths->FilesOf(folder).size();
    for (int row = 0; row < paths->rowCount(folder); ++row) {
      ++folderRows;
      pending.push_back(paths->index(row, 0, folder));
    }
  }
  EXPECT_EQ(filesListed, deleted.size());
  EXPECT_EQ(folderRows, folders.size());

  // The files under the folders the window read are the manifest's deleted files, each at its path.
  std::map<std::string, IFileNode*> shown;
  for (std::size_t id = 0; id < window->pathTree().Size(); ++id)
    for (IFileNode* file : backend_.PathChildFiles(id)) shown[quellsy::test::PathInVolume(file)] = file;
  EXPECT_EQ(shown.size(), deleted.size());
  for (const ScanManifestEntry& entry : deleted)
    EXPECT_NE(quellsy::test::FindFound(shown, entry), nullptr) << entry.path;
}

}  // namespace
}  // namespace quellsy::ui::test
