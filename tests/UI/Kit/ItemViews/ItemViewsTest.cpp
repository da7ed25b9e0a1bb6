// The small views of the results browser drawn on the offscreen platform: the collection tile's size, check
// box and hover background; the panel's outline; the table header's face and lines.

#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/ItemViews/BVPrototype.h"
#include "UI/Kit/ItemViews/BVView.h"
#include "UI/Kit/ItemViews/CustomTableHeaderView.h"
#include "UI/Kit/ItemViews/GroupView.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {
namespace {

class Checks : public BVViewDelegate {
 public:
  bool checksLocked() const override { return locked; }
  int fileNodeState(std::uint64_t listData) const override { return states.at(listData); }
  void setFileNodeState(std::uint64_t listData, int state) override { states[listData] = state; }
  void reLoadItemData() override { ++reloads; }
  bool locked = false;
  std::map<std::uint64_t, int> states;
  int reloads = 0;
};

TEST(BVView, ATileIsAlways120By100) {
  BVView tile(QPoint(10, 20));
  EXPECT_EQ(tile.geometry(), QRect(10, 20, 120, 100));
  tile.resize(200, 200);
  EXPECT_EQ(tile.size(), QSize(120, 100));
  // Frames from the tile's bottom left: the thumbnail at (10, 35) is 90 x 55, so its top lies 10 points down.
  EXPECT_EQ(tile.imageView()->geometry(), QRect(10, 10, 90, 55));
  EXPECT_EQ(tile.button()->geometry(), QRect(16, 76, 14, 14));
  EXPECT_TRUE(tile.deleteIamgeView()->isHidden());
}

TEST(BVView, TheCheckBoxTogglesTheFileUnlessAScanRuns) {
  Checks checks;
  checks.states = {{7, 1}, {8, 0}, {9, 2}};
  BVView tile;
  tile.setDelegate(&checks);
  struct Case {
    std::uint64_t file;
    int after;
    const char* image;
  };
  // Partly checked and checked files become unchecked; an unchecked one checked.
  for (const Case& c : {Case{7, 0, "checkbox_no"}, Case{8, 2, "checkbox_yes"}, Case{9, 0, "checkbox_no"}}) {
    tile.setListData(c.file);
    QTest::mouseClick(tile.button(), Qt::LeftButton);
    EXPECT_EQ(checks.states[c.file], c.after) << c.file;
    EXPECT_EQ(tile.checkBoxImage(), QString::fromLatin1(c.image)) << c.file;
  }
  EXPECT_EQ(checks.reloads, 3);
  checks.locked = true;
  tile.setListData(8);
  QTest::mouseClick(tile.button(), Qt::LeftButton);
  EXPECT_EQ(checks.states[8], 2);
  EXPECT_EQ(tile.checkBoxImage(), QStringLiteral("checkbox_no")) << "the box keeps its look";
  EXPECT_EQ(checks.reloads, 3);
}

TEST(BVView, ThePointerLightsTheBackgroundUp) {
  BVView tile;
  tile.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tile));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&tile, &leave);
  EXPECT_EQ(tile.backgroundImage(), QStringLiteral("view_bg_normal"));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), tile.mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(&tile, &enter);
  EXPECT_EQ(tile.backgroundImage(), QStringLiteral("view_bg_press"));
  QCoreApplication::sendEvent(&tile, &leave);
  EXPECT_EQ(tile.backgroundImage(), QStringLiteral("view_bg_normal"));
}

// Files 1 (a picture, checked, deleted) and 2 (no picture, partly checked).
class Files : public BVFileSource, public BVPrototypeDelegate {
 public:
  QImage fileImage(std::uint64_t key) override {
    if (key != 1) return QImage();
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    return picture;
  }
  QString fileNodeName(std::uint64_t key) override { return QStringLiteral("File %1.jpg").arg(key); }
  int fileNodeState(std::uint64_t key) override { return states[key]; }
  void setFileNodeState(std::uint64_t key, int state) override { states[key] = state; }
  bool isFileNodeDeleted(std::uint64_t key) override { return key == 1; }
  bool checksLocked() override { return false; }
  void reLoadCollectionViewData() override { ++reloads; }
  int viewLoadCnt() override { return loaded; }
  std::map<std::uint64_t, int> states{{1, 2}, {2, 1}};
  int reloads = 0;
  int loaded = 1;
};

TEST(BVPrototype, TheItemFillsItsTileFromTheFileAndPassesCheckChangesOn) {
  Files files;
  BVPrototype item(files, &files);
  QWidget collection;
  item.loadView()->setParent(&collection);
  item.setRepresentedObject(1);
  BVView* tile = item.view();
  EXPECT_EQ(tile->listData(), 1u);
  EXPECT_EQ(tile->imageView()->pixmap().size(), QSize(40, 30));
  EXPECT_EQ(tile->titleLabel()->toolTip(), QStringLiteral("File 1.jpg"));
  EXPECT_EQ(tile->checkBoxImage(), QStringLiteral("checkbox_yes"));
  EXPECT_FALSE(tile->deleteIamgeView()->isHidden());

  // No picture: the logo; partly checked shows unchecked; not deleted.
  item.setRepresentedObject(2);
  EXPECT_EQ(tile->imageView()->pixmap().toImage(),
            QPixmap::fromImage(NamedImages::Image(QStringLiteral("logo"), QSize(55, 55))).toImage());
  EXPECT_EQ(tile->checkBoxImage(), QStringLiteral("checkbox_no"));
  EXPECT_TRUE(tile->deleteIamgeView()->isHidden());
  QTest::mouseClick(tile->button(), Qt::LeftButton);
  EXPECT_EQ(files.states[2], 0) << "a partly checked file becomes unchecked";
  EXPECT_EQ(files.reloads, 1);

  // While the collection has loaded no tile, a file only hides the tile.
  files.loaded = 0;
  item.setRepresentedObject(1);
  EXPECT_TRUE(tile->isHidden());
  EXPECT_EQ(tile->listData(), 2u);
}

TEST(GroupView, TheOutlineLies18PointsInAndIsDrawnOnWhite) {
  // 300 x 200: the outline from (18.5, 18.5), 263 x 146, counted from the bottom left.
  EXPECT_EQ(GroupView::OutlineRect(QSizeF(300, 200)), FrameToTopLeft(QRectF(18.5, 18.5, 263, 146), 200));
  GroupView panel;
  panel.resize(300, 200);
  const QImage drawn = panel.grab().toImage();
  EXPECT_EQ(drawn.pixelColor(5, 5), QColor(Qt::white));
  EXPECT_EQ(drawn.pixelColor(150, 100), QColor(Qt::white));
  // The line (black at 15 %) on its half point darkens the pixels it crosses.
  EXPECT_LT(drawn.pixelColor(150, 35).lightness(), 255);
  EXPECT_LT(drawn.pixelColor(18, 100).lightness(), 255);
}

TEST(CustomTableHeaderView, TheFaceIsWhiteAboveAFullWidthBottomLine) {
  EXPECT_EQ(CustomTableHeaderView::FaceRect(QRectF(0, 0, 100, 20)), QRectF(0, 0, 100, 19));
  QStandardItemModel model(0, 2);
  model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
  CustomTableHeaderView header;
  header.setModel(&model);
  header.setFixedHeight(20);
  header.resize(300, 20);
  header.resizeSection(0, 150);
  header.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));
  const QImage drawn = header.grab().toImage();
  // Inside the face, right of the title: white.
  EXPECT_EQ(drawn.pixelColor(140, 10), QColor(Qt::white));
  // The bottom line runs under the whole section.
  for (const int x : {2, 75, 145}) EXPECT_LT(drawn.pixelColor(x, 19).lightness(), 255) << x;
}

}  // namespace
}  // namespace quellsy::ui
