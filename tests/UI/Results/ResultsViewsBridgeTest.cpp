// The results window's thumbnail grid on the real bridge: a device made at test time holding a JPEG, a PNG and
// a TIFF (ffmpeg), a camera raw with exiftool's tags, a movie (ffmpeg), a JPEG cut in half and a PNG that claims
// 100000 x 100000 pixels gets a complete scan in the window; each kind of the type tree is shown in the grid,
// and every tile ends with its file's picture - the same picture the original file gives - or, for the cut and
// the hostile picture, its type's icon.

#include <QLabel>
#include <QToolButton>
#include <map>

#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/OpNodeData.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "UI/Backend/InstalledFileTypes.h"
#include "ResultsWindowFixture.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/Thumbnails/ThumbnailDecoders.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsGrid.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::ui::test {
namespace {

using namespace std::chrono_literals;
using quellsy::test::FakeDisk;
using quellsy::test::FakeEnumDeviceEx;
using quellsy::test::FakeVolume;

class GridOnTheBridge : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    RegisterBuiltInEngines();
    ASSERT_TRUE(quellsy::test::UseInstalledFileTypes());
    KDUIScan::ResetForTests();
    bridge::ResultTrees::ResetForTests();
  }
  void TearDown() override {
    ResultsWindowFixture::TearDown();
    KDUIController::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    KDUIScan::ResetForTests();
    KDUIDeviceData::ResetForTests();
    quellsy::test::ForgetFileTypes();
  }

  // The device listed as one volume of no known file system, scanned completely to the end in a window.
  KDDeletailWindowController* ScanCompletely(std::vector<std::uint8_t> bytes) {
    FakeDisk disk{"Picture Card", "sdx", 1, DISK_BUS_USB, 0, {}, {}};
    FakeVolume volume{"CARD", FILE_SYSTEM_UNKNOWN, {}, "", 0, std::move(bytes)};
    volume.sectors = static_cast<long long>(volume.bytes.size() / 512);
    disk.sectors = volume.sectors + 2048;
    disk.volumes.push_back(std::move(volume));
    disks_ = std::make_unique<FakeEnumDeviceEx>(std::vector<FakeDisk>{disk});
    KDUIDeviceData::ResetForTests(disks_.get());
    KDUIDeviceData::instance()->BeginInit();
    KDUIDeviceData::instance()->InitDeviceInfo();
    UseBackend(backend_);
    backend_.initFileType();
    backend_.SetRecoveryType(127);
    const auto items = backend_.GetDeviceInfoToArray();
    if (items.size() != 1 || !items[0]->childAtIndex(0)) return nullptr;
    KDDeletailWindowController* window = Open(items[0]->childAtIndex(0), 2);
    window->getData();
    return window;
  }

  BridgeBackend backend_;
  std::unique_ptr<FakeEnumDeviceEx> disks_;
};

std::string LowerExtension(IFileNode* file) {
  std::string extension = std::filesystem::path(OpNodeData::fileNodeName(file)).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// What a tile of this size shows of picture.
QImage AsShown(const QImage& picture, QSize shown) {
  return picture.size() == shown ? picture : picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

TEST_F(GridOnTheBridge, FoundPicturesARawAndAMovieShowTheirOwnPicturesAndBrokenOnesTheirTypesIcon) {
  const quellsy::test::TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixture(
      "tests/UI/Backend/make-found-pictures.sh",
      {dir.path().string(), "photo.jpg", "hostile.png", "photo.png", "photo.tiff", "camera.dng", "clip.mp4",
       "truncated.jpg"}));
  KDDeletailWindowController* window = ScanCompletely(quellsy::test::ReadFile(dir.path() / "device.img"));
  ASSERT_NE(window, nullptr);
  ResultsBrowser* browser = window->browser();
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser->tabButton(1)->isEnabled(); }, 120000));
  QTest::mouseClick(browser->tabButton(1), Qt::LeftButton);
  CNGridView* grid = browser->grid()->gridView();
  grid->setAnimationDurations(0, 0);
  SegmentedControl* segment = window->segment();
  QTest::mouseClick(segment, Qt::LeftButton, {}, segment->segmentRect(1).center());
  ASSERT_EQ(browser->selectSegmentCount(), 1);
  const QImage placeholder = NamedImages::Image(QStringLiteral("loading"), QSize(90, 68));

  // Each kind of the type tree in turn: the pictures its tiles end with, by extension.
  std::multimap<std::string, QImage> shown;
  ResultTreeModel* types = browser->treeModel(1);
  CommOutlineView* outline = browser->outline(1);
  for (int row = 0; row < types->rowCount(); ++row) {
    const QModelIndex kind = types->index(row, 0);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(kind).center() + QPoint(20, 0));
    const std::vector<IFileNode*> files = browser->listModel()->Files();
    ASSERT_EQ(files, types->FilesOf(kind));
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return !grid->layoutPending() && grid->numberOfVisibleItems() == files.size();
    }));
    std::vector<CNGridViewItem*> tiles;
    for (CNGridViewItemBase* item : grid->placedItems()) tiles.push_back(qobject_cast<CNGridViewItem*>(item));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          return std::none_of(tiles.begin(), tiles.end(),
                              [&](CNGridViewItem* tile) { return tile->itemImage() == placeholder; });
        },
        60000));
    for (CNGridViewItem* tile : tiles) {
      IFileNode* file = files[static_cast<std::size_t>(tile->index())];
      EXPECT_EQ(tile->node(), file);
      shown.emplace(LowerExtension(file), tile->itemImage());
    }
  }

  const auto original = [&](const char* name) {
    return ThumbnailOfFile(dir.path() / name, ThumbnailLimits(), ThumbnailTicket(60s));
  };
  const auto shownAs = [&](const std::string& extension, const QImage& expected) {
    const auto [from, to] = shown.equal_range(extension);
    return std::count_if(from, to, [&](const auto& entry) { return entry.second == AsShown(expected, entry.second.size()); });
  };
  ASSERT_EQ(shown.count(".jpg"), 2u) << "the picture and the cut one";
  ASSERT_EQ(shown.count(".png"), 2u) << "the picture and the hostile one";
  EXPECT_EQ(shownAs(".jpg", original("photo.jpg")), 1);
  EXPECT_EQ(shownAs(".jpg", ThumbnailFallback(QStringLiteral(".jpg"))), 1) << "the cut picture shows the type's icon";
  EXPECT_EQ(shownAs(".png", original("photo.png")), 1);
  EXPECT_EQ(shownAs(".png", ThumbnailFallback(QStringLiteral(".png"))), 1) << "the hostile picture shows the type's icon";
  EXPECT_EQ(shownAs(".tif", original("photo.tiff")), 1);
  // The raw shows the preview that was embedded in it.
  EXPECT_EQ(shownAs(".dng", DecodePictureBytes(quellsy::test::ReadFile(dir.path() / "preview.jpg"))), 1);
  // The movie shows a frame of its shape, the one its original gives.
  ASSERT_EQ(shown.count(".mp4"), 1u);
  const QImage frame = shown.find(".mp4")->second;
  EXPECT_EQ(frame.width() * 3, frame.height() * 4);
  EXPECT_EQ(shownAs(".mp4", original("clip.mp4")), 1);
}

}  // namespace
}  // namespace quellsy::ui::test
