// The results window's three views of one listing on the scripted backend: the file table, the thumbnail grid
// and the cover flow show the selected folder's files with the same checks and the same selected file, a check
// made in the grid shows in the table and in the summary, the preview opens from every view, and pictures that
// were still being made for an earlier folder never reach the tiles of the next one.

#include <QLabel>
#include <QToolButton>
#include <condition_variable>
#include <mutex>
#include <set>

#include "Bridge/KDPublicUtilities.h"
#include "Bridge/OpNodeData.h"
#include "ResultsWindowFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/CoverFlowView.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsCoverFlow.h"
#include "UI/Results/ResultsGrid.h"

namespace quellsy::ui::test {
namespace {

// Two folders of seven files under the volume's root.
ScriptedResultShape TwoFolders() {
  ScriptedResultShape shape;
  shape.topFolders = 2;
  shape.depth = 0;
  shape.filesPerFolder = 7;
  return shape;
}

// The scripted backend whose thumbnails wait at a gate until the test opens it; it counts the fetches that
// started and those that returned.
class GatedBackend : public ScriptedBackend {
 public:
  QImage ThumbnailOfNode(const OpNodeData* node, const ThumbnailTicket&) override {
    std::unique_lock<std::mutex> hold(lock_);
    started_.push_back(node->fileNode());
    changed_.notify_all();
    changed_.wait(hold, [this] { return open_; });
    hold.unlock();
    QImage picture = GetNSImageByNode(node);
    hold.lock();
    ++returned_;
    return picture;
  }
  void OpenGate() {
    const std::lock_guard<std::mutex> hold(lock_);
    open_ = true;
    changed_.notify_all();
  }
  std::vector<IFileNode*> Started() {
    const std::lock_guard<std::mutex> hold(lock_);
    return started_;
  }
  std::size_t Returned() {
    const std::lock_guard<std::mutex> hold(lock_);
    return returned_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool open_ = false;
  std::vector<IFileNode*> started_;
  std::size_t returned_ = 0;
};

class ResultsViewsTest : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    backend_.SetResultShape(TwoFolders());
    backend_.SetScanSteps(ScriptedBackend::EvenSteps(2));
    UseBackend(backend_);
  }
  void TearDown() override {
    // A worker still held at the gate would keep the window's loaders from ending.
    backend_.OpenGate();
    ResultsWindowFixture::TearDown();
  }

  void ScanToEnd(bool gated = false) {
    if (!gated) backend_.OpenGate();
    auto stick = backend_.GetDeviceInfoToArray()[1];
    auto volume = stick->childAtIndex(0);
    volume->setParentName(stick->name());
    window_ = Open(volume, 1);
    window_->getData();
    browser_ = window_->browser();
    backend_.RunToEnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->tabButton(1)->isEnabled(); }));
    grid()->setAnimationDurations(0, 0);
    browser_->coverFlow()->flowView()->setGlideMilliseconds(0);
  }

  // The folder at row of the volume's root, selected by a click; its files are listed.
  void SelectFolder(int row) {
    CommOutlineView* outline = browser_->outline(0);
    ResultTreeModel* model = browser_->treeModel(0);
    const QModelIndex root = model->index(0, 0);
    outline->expand(root);
    const QModelIndex folder = model->index(row, 0, root);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(folder).center() + QPoint(20, 0));
    ASSERT_EQ(browser_->listModel()->Files(), backend_.PathChildFiles(model->FolderOf(folder)));
  }

  void ClickSegment(int segment) {
    SegmentedControl* control = window_->segment();
    QTest::mouseClick(control, Qt::LeftButton, {}, control->segmentRect(segment).center());
    ASSERT_EQ(browser_->selectSegmentCount(), segment);
  }

  CNGridView* grid() const { return browser_->grid()->gridView(); }

  // The grid's tiles placed once its layout ran.
  std::vector<CNGridViewItem*> PlacedTiles() {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !grid()->layoutPending() && grid()->numberOfVisibleItems() > 0; }));
    std::vector<CNGridViewItem*> tiles;
    for (CNGridViewItemBase* item : grid()->placedItems()) tiles.push_back(qobject_cast<CNGridViewItem*>(item));
    return tiles;
  }

  QString SummaryOf(const std::vector<IFileNode*>& checked) const {
    std::uint64_t size = 0;
    for (IFileNode* file : checked) size += file->GetFileSize();
    return QStringLiteral("Selected %1 in %2 %3")
        .arg(QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(static_cast<std::int64_t>(size))))
        .arg(checked.size())
        .arg(checked.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
  }

  // The picture the backend makes of file, as big as shown; null for a file it makes none of.
  QImage PictureOf(IFileNode* file, QSize shown) {
    const QImage picture = backend_.GetNSImageByFildNodeNSNumber(file);
    return picture.isNull() ? picture : picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  // Whether tile shows its file's picture (a file without any keeps the waiting picture).
  bool ShowsOwnPicture(CNGridViewItem* tile, IFileNode* file) {
    const QImage picture = PictureOf(file, tile->itemImage().size());
    return picture.isNull() ? tile->itemImage() == browser_->grid()->placeholder() : tile->itemImage() == picture;
  }

  GatedBackend backend_;
  KDDeletailWindowController* window_ = nullptr;
  ResultsBrowser* browser_ = nullptr;
};

QString NameOf(IFileNode* file) { return QString::fromStdString(OpNodeData::fileNodeName(file)); }

TEST_F(ResultsViewsTest, EveryViewShowsTheFoldersFilesWithTheSameChecksAndSelectedFile) {
  ASSERT_NO_FATAL_FAILURE(ScanToEnd());
  ASSERT_NO_FATAL_FAILURE(SelectFolder(0));
  const std::vector<IFileNode*> files = browser_->listModel()->Files();
  ASSERT_EQ(files.size(), 7u);
  KDNSTableView* table = browser_->tableView();
  FileListModel* model = browser_->listModel();
  const auto box = [&](KDNSTableView* view, int row) {
    return CheckBoxDelegate::BoxRect(view->visualRect(model->index(row, FileListModel::kCheckBox))).center();
  };
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box(table, 2));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualRect(model->index(4, FileListModel::kName)).center());
  ASSERT_EQ(browser_->selectedRow(), 4);

  // The grid: a tile per file in the table's order, the table's check and selection.
  ASSERT_NO_FATAL_FAILURE(ClickSegment(1));
  EXPECT_TRUE(grid()->isVisible());
  EXPECT_FALSE(table->isVisible());
  const std::vector<CNGridViewItem*> tiles = PlacedTiles();
  ASSERT_EQ(tiles.size(), files.size());
  for (CNGridViewItem* tile : tiles) {
    const auto index = static_cast<std::size_t>(tile->index());
    EXPECT_EQ(tile->node(), files[index]);
    EXPECT_EQ(tile->itemTitle(), NameOf(files[index]));
    EXPECT_EQ(tile->checkState(), index == 2 ? 2 : 0) << index;
  }
  EXPECT_TRUE(grid()->selectedIndexes().contains(4));
  // Every tile gets its file's own picture.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return std::all_of(tiles.begin(), tiles.end(), [&](CNGridViewItem* tile) {
      return ShowsOwnPicture(tile, files[static_cast<std::size_t>(tile->index())]);
    });
  }));

  // A check made in the grid is the table's check and counts in the summary.
  CNGridViewItem* fifth = qobject_cast<CNGridViewItem*>(grid()->itemAtIndex(5));
  ASSERT_NE(fifth, nullptr);
  QTest::mouseClick(fifth->itemButton(), Qt::LeftButton);
  EXPECT_EQ(OpNodeData::fileNodeState(files[5]), 2);
  EXPECT_EQ(model->index(5, FileListModel::kCheckBox).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(size, files[2]->GetFileSize() + files[5]->GetFileSize());
  EXPECT_EQ(window_->selectFilesLabel()->text(), SummaryOf({files[2], files[5]}));
  EXPECT_EQ(fifth->checkState(), 2);
  // ...and a second click takes it back everywhere.
  QTest::mouseClick(fifth->itemButton(), Qt::LeftButton);
  EXPECT_EQ(OpNodeData::fileNodeState(files[5]), 0);
  EXPECT_EQ(window_->selectFilesLabel()->text(), SummaryOf({files[2]}));
  QTest::mouseClick(fifth->itemButton(), Qt::LeftButton);

  // A double click on a tile selects its file and previews it; the space bar closes the preview.
  CNGridViewItemBase* third = grid()->itemAtIndex(3);
  ASSERT_NE(third, nullptr);
  const QPoint centre = grid()->viewportPointFromContent(grid()->rectForItemAtIndex(3).center()).toPoint();
  // Both clicks fall within the desktop's double-click time, over which the grid gathers them.
  QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre);
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->spacePreviewWindow() != nullptr; }));
  EXPECT_EQ(browser_->selectedRow(), 3);
  EXPECT_EQ(table->currentIndex().row(), 3);
  EXPECT_EQ(browser_->spacePreviewWindow()->titleLabel()->text(), NameOf(files[3]));
  ASSERT_TRUE(QTest::qWaitFor([&] {
    SpacePreviewWindow* preview = browser_->spacePreviewWindow();
    return preview && preview->showImage() == backend_.GetNSImageByFildNodeNSNumber(files[3]);
  }));
  QTest::keyClick(grid(), Qt::Key_Space);
  EXPECT_EQ(browser_->spacePreviewWindow(), nullptr);

  // The cover flow: a cover per file at the selected file, its table with the same checks and selection.
  ASSERT_NO_FATAL_FAILURE(ClickSegment(2));
  ResultsCoverFlow* flow = browser_->coverFlow();
  EXPECT_TRUE(flow->flowView()->isVisible());
  EXPECT_EQ(flow->photos().count(), files.size());
  EXPECT_EQ(flow->flowView()->selectedIndex(), 3);
  KDNSTableView* coverTable = flow->coverFlowerTableView();
  EXPECT_EQ(coverTable->currentIndex().row(), 3);
  for (const int row : {2, 5})
    EXPECT_EQ(coverTable->model()->index(row, FileListModel::kCheckBox).data(Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Checked);
  flow->flowView()->setFocus();
  QTest::keyClick(flow->flowView(), Qt::Key_Right);
  EXPECT_EQ(browser_->selectedRow(), 4);
  EXPECT_EQ(coverTable->currentIndex().row(), 4);
  ASSERT_TRUE(QTest::qWaitFor([&] { return flow->photos().isLoaded(4); }));
  EXPECT_EQ(flow->photos().photoAt(4)->imageRepresentation(), backend_.GetNSImageByFildNodeNSNumber(files[4]));
  // A check in the cover flow's table is everyone's.
  QTest::mouseClick(coverTable->viewport(), Qt::LeftButton, {}, box(coverTable, 0));
  EXPECT_EQ(OpNodeData::fileNodeState(files[0]), 2);
  // A row picked in the cover flow's table moves the flow.
  QTest::mouseClick(coverTable->viewport(), Qt::LeftButton, {},
                    coverTable->visualRect(model->index(6, FileListModel::kName)).center());
  EXPECT_EQ(flow->flowView()->selectedIndex(), 6);
  // The covers themselves leave the space bar alone (the big cover is the preview); their table previews.
  QTest::keyClick(flow->flowView(), Qt::Key_Space);
  EXPECT_EQ(browser_->spacePreviewWindow(), nullptr);
  QTest::keyClick(coverTable, Qt::Key_Space);
  ASSERT_NE(browser_->spacePreviewWindow(), nullptr);
  EXPECT_EQ(browser_->spacePreviewWindow()->titleLabel()->text(), NameOf(files[6]));
  QTest::keyClick(coverTable, Qt::Key_Space);
  EXPECT_EQ(browser_->spacePreviewWindow(), nullptr);

  // Back to the list: the same selected file and checks.
  ASSERT_NO_FATAL_FAILURE(ClickSegment(0));
  EXPECT_TRUE(table->isVisible());
  EXPECT_EQ(table->currentIndex().row(), 6);
  for (std::size_t row = 0; row < files.size(); ++row)
    EXPECT_EQ(OpNodeData::fileNodeState(files[row]), row == 0 || row == 2 || row == 5 ? 2 : 0) << row;
  EXPECT_EQ(window_->selectFilesLabel()->text(), SummaryOf({files[0], files[2], files[5]}));
}

TEST_F(ResultsViewsTest, PicturesStillBeingMadeForTheLastFolderNeverReachTheNextOnesTiles) {
  ASSERT_NO_FATAL_FAILURE(ScanToEnd(true));
  ASSERT_NO_FATAL_FAILURE(SelectFolder(0));
  const std::vector<IFileNode*> first = browser_->listModel()->Files();
  std::set<quint64> delivered;
  QObject::connect(&browser_->grid()->thumbnails().loader(), &ThumbnailLoader::Loaded,
          [&](quint64, quint64 key, const QImage&) { delivered.insert(key); });
  ASSERT_NO_FATAL_FAILURE(ClickSegment(1));
  // The loader's one worker is held inside a fetch for a file of the first folder.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.Started().empty(); }));
  IFileNode* held = backend_.Started().front();
  ASSERT_NE(std::find(first.begin(), first.end(), held), first.end());

  // Another folder is selected meanwhile: the window goes on at once, the tiles show the new files.
  ASSERT_NO_FATAL_FAILURE(SelectFolder(1));
  const std::vector<IFileNode*> second = browser_->listModel()->Files();
  ASSERT_EQ(second.size(), 7u);
  for (IFileNode* file : second) ASSERT_EQ(std::find(first.begin(), first.end(), file), first.end());
  backend_.OpenGate();

  // Every tile gets its own file's picture; the held fetch returned, and nothing of the first folder came.
  const std::vector<CNGridViewItem*> tiles = PlacedTiles();
  ASSERT_EQ(tiles.size(), second.size());
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return std::all_of(tiles.begin(), tiles.end(), [&](CNGridViewItem* tile) {
      return delivered.count(reinterpret_cast<std::uintptr_t>(tile->node())) > 0;
    });
  }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return backend_.Returned() == backend_.Started().size(); }));
  QCoreApplication::processEvents();
  for (IFileNode* file : first) EXPECT_EQ(delivered.count(reinterpret_cast<std::uintptr_t>(file)), 0u) << NameOf(file).toStdString();
  for (CNGridViewItem* tile : tiles) {
    IFileNode* file = second[static_cast<std::size_t>(tile->index())];
    EXPECT_EQ(tile->node(), file);
    EXPECT_TRUE(ShowsOwnPicture(tile, file)) << NameOf(file).toStdString();
  }
}

}  // namespace
}  // namespace quellsy::ui::test
