// The results window on the real bridge: a quick scan of a FAT image made at test time (mkfs.fat and mtools,
// with its manifest), listed as a disk's only volume, shows the files the manifest lists as deleted - the quick
// scan's own kind - under their folders, with their count and total size; they are browsed to, searched for and
// checked through the trees and the file table.

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <set>

#include "Bridge/KDUIController.h"
#include "Bridge/OpNodeData.h"
#include "FatImageOnTheBridge.h"
#include "ResultsWindowFixture.h"
#include "ScanImages.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"

namespace quellsy::ui::test {
namespace {

using quellsy::test::ScanImages;
using quellsy::test::ScanManifestEntry;

// A size as the summary writes it: bytes, or decimal units with two decimals from a kilobyte on.
QString DecimalSize(std::uint64_t bytes) {
  if (bytes < 1000) return (bytes == 1 ? QStringLiteral("%1 byte") : QStringLiteral("%1 bytes")).arg(bytes);
  return QString::asprintf("%0.2f KB", static_cast<double>(bytes) / 1000.0);
}

using ResultsWindowOnTheBridge = FatImageOnTheBridge<ResultsWindowFixture>;

QString Lower(const std::string& text) { return QString::fromStdString(text).toLower(); }

// A deleted FAT entry has lost its name's first character: names are compared from the second on.
QString NameTail(const std::string& name) { return Lower(name).mid(1); }

QString BaseName(const std::string& path) { return NameTail(path.substr(path.rfind('/') + 1)); }

std::set<QString> ListedNames(ResultsBrowser* browser) {
  std::set<QString> names;
  for (IFileNode* file : browser->listModel()->Files()) names.insert(NameTail(OpNodeData::fileNodeName(file)));
  return names;
}

void ClickRow(QAbstractItemView* view, const QModelIndex& index) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center() + QPoint(20, 0));
}

void ClickBox(QAbstractItemView* view, const QModelIndex& index) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxDelegate::BoxRect(view->visualRect(index)).center());
}

void SearchAndWait(KDDeletailWindowController* window, const QString& text) {
  window->search()->setText(text);
  QTest::keyClick(window->search(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return !KDUIController::KDGetIsSearching() && window->browser()->lastSearchStr() == text &&
           window->backHomeButton()->isDisabled();
  }, 60000));
  QCoreApplication::processEvents();
}

TEST_F(ResultsWindowOnTheBridge, AQuickScanOfAFatImageShowsTheManifestsDeletedFilesAndTheirCounts) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDDeletailWindowController* window = StartQuickScan();
  ASSERT_NE(window, nullptr);
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

TEST_F(ResultsWindowOnTheBridge, AFoundFileIsBrowsedToSearchedForAndCheckedWithItsFolder) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  KDDeletailWindowController* window = StartQuickScan();
  ASSERT_NE(window, nullptr);
  ResultsBrowser* browser = window->browser();
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser->tabButton(1)->isEnabled(); }, 120000));

  std::vector<ScanManifestEntry> deleted;
  std::set<int> years;
  for (const ScanManifestEntry& entry : ScanImages::Get()->FatManifest())
    if (entry.deleted) {
      deleted.push_back(entry);
      years.insert(entry.year);
    }
  const auto inDocs = std::find_if(deleted.begin(), deleted.end(),
                                   [](const ScanManifestEntry& entry) { return entry.path.rfind("/docs/", 0) == 0; });
  ASSERT_NE(inDocs, deleted.end()) << "the manifest has a deleted file in a folder";
  std::uint64_t deletedSize = 0;
  for (const ScanManifestEntry& entry : deleted) deletedSize += entry.size;

  // The type and date trees count every deleted file; the modification tree has a year row per year.
  for (int kind = 1; kind <= 3; ++kind) {
    QTest::mouseClick(browser->tabButton(kind), Qt::LeftButton);
    ResultTreeModel* model = browser->treeModel(kind);
    std::set<IFileNode*> listed;
    for (int row = 0; row < model->rowCount(); ++row)
      for (IFileNode* file : model->FilesOf(model->index(row, 0))) listed.insert(file);
    EXPECT_EQ(listed.size(), deleted.size()) << "tree " << kind;
  }
  ResultTreeModel* modified = browser->treeModel(3);
  ASSERT_EQ(modified->rowCount(), 1);
  EXPECT_EQ(static_cast<std::size_t>(modified->rowCount(modified->index(0, 0))), years.size());

  // Browse: the root's row, then its "docs" row, lists the deleted file kept there.
  QTest::mouseClick(browser->tabButton(0), Qt::LeftButton);
  CommOutlineView* outline = browser->outline(0);
  ResultTreeModel* paths = browser->treeModel(0);
  const QModelIndex root = paths->index(0, 0);
  outline->expand(root);
  QModelIndex docs;
  for (int row = 0; row < paths->rowCount(root); ++row)
    if (paths->index(row, 0, root).data().toString().toLower() == QStringLiteral("docs")) docs = paths->index(row, 0, root);
  ASSERT_TRUE(docs.isValid());
  ClickRow(outline, docs);
  EXPECT_EQ(ListedNames(browser), std::set<QString>{BaseName(inDocs->path)});

  // Search for it: the listing holds it alone, then the cleared search brings every file back.
  const QString key = BaseName(inDocs->path);
  std::set<QString> matching;
  for (const ScanManifestEntry& entry : deleted)
    if (BaseName(entry.path).contains(key)) matching.insert(BaseName(entry.path));
  SearchAndWait(window, key);
  EXPECT_EQ(ListedNames(browser), matching);
  window->search()->clear();
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return !KDUIController::KDGetIsSearching() && browser->lastSearchStr().isEmpty() && window->backHomeButton()->isDisabled();
  }, 60000));
  QCoreApplication::processEvents();
  ASSERT_EQ(paths->rowCount(), 1);

  // Check the folder, then the root: the summary gives the checked files' count and size.
  const QModelIndex rootAgain = paths->index(0, 0);
  outline->expand(rootAgain);
  QModelIndex docsAgain;
  for (int row = 0; row < paths->rowCount(rootAgain); ++row)
    if (paths->index(row, 0, rootAgain).data().toString().toLower() == QStringLiteral("docs"))
      docsAgain = paths->index(row, 0, rootAgain);
  ASSERT_TRUE(docsAgain.isValid());
  ClickBox(outline, docsAgain);
  EXPECT_EQ(window->selectFilesLabel()->text(), QStringLiteral("Selected %1 in 1 file").arg(DecimalSize(inDocs->size)));
  EXPECT_EQ(paths->StateOf(rootAgain), 1) << "the root holds more than the folder";
  ClickBox(outline, rootAgain);
  EXPECT_EQ(window->selectFilesLabel()->text(),
            QStringLiteral("Selected %1 in %2 files").arg(DecimalSize(deletedSize)).arg(deleted.size()));
  EXPECT_TRUE(window->recovertyButton()->isDisabled()) << "usable with files checked";
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, deleted.size());
  EXPECT_EQ(size, deletedSize);
}

}  // namespace
}  // namespace quellsy::ui::test
