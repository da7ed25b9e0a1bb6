// The grid view driven on the offscreen platform with a data source that counts the tiles it makes: the reuse
// pool over 10,000 items, hover, clicks, selection, right click and menu, the rubber band and Escape, the
// incremental updates, the deselect-all hub, and the tile's thumbnail, drawing and check box.

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "Bridge/NotificationCenter.h"
#include "UI/Kit/Grid/CNGridNotifications.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"

namespace quellsy::ui {
namespace {

class Source : public CNGridViewDataSource, public CNGridViewDelegate {
 public:
  std::uint64_t gridViewNumberOfItemsInSection(CNGridView&, std::int64_t) override { return count; }
  CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t) override {
    if (index >= static_cast<std::int64_t>(count)) return nullptr;
    ++asked[index];
    auto* item = static_cast<CNGridViewItem*>(grid.dequeueReusableItemWithIdentifier(kCNDefaultItemIdentifier));
    if (!item) {
      item = new CNGridViewItem();
      ++made;
    }
    item->setTitleText(QStringLiteral("File %1.jpg").arg(index));
    item->setNode(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(index + 1)));
    return item;
  }
  void gridViewDidClickItemAtIndex(CNGridView&, std::int64_t index, std::int64_t) override {
    clicks.push_back({index, false});
  }
  void gridViewDidDoubleClickItemAtIndex(CNGridView&, std::int64_t index, std::int64_t) override {
    clicks.push_back({index, true});
  }
  void gridViewDidActivateContextMenuWithIndexes(CNGridView&, const CNIndexSet& indexes, std::int64_t) override {
    menuIndexes.push_back(indexes);
  }

  std::uint64_t count = 0;
  int made = 0;
  std::map<std::int64_t, int> asked;
  std::vector<std::pair<std::int64_t, bool>> clicks;
  std::vector<CNIndexSet> menuIndexes;
};

// Every notification of the grid, as (name, index text).
class Heard {
 public:
  Heard() {
    bridge::NotificationCenter::Default().AddObserver(this, "", [this](const bridge::Notification& n) {
      if (n.name.rfind("CNGridView", 0) != 0) return;
      const auto index = n.info.find(kCNGridViewItemIndexKey);
      names.emplace_back(n.name, index == n.info.end() ? std::string() : index->second);
    });
  }
  ~Heard() { bridge::NotificationCenter::Default().RemoveObserver(this); }
  std::vector<std::pair<std::string, std::string>> names;
};

class GridTest : public ::testing::Test {
 protected:
  void Show(std::uint64_t count, QSize viewport = QSize(450, 600)) {
    source_.count = count;
    grid_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_.setAnimationDurations(0, 0);
    grid_.setDataSource(&source_);
    grid_.setDelegate(&source_);
    grid_.resize(viewport);
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    grid_.reloadData();
    Settle();
  }
  void Settle() { ASSERT_TRUE(QTest::qWaitFor([&] { return !grid_.layoutPending() && !grid_.isAnimating(); })); }
  CNGridViewItem* Tile(std::int64_t index) { return static_cast<CNGridViewItem*>(grid_.itemAtIndex(index)); }
  // The middle of tile index, in the viewport.
  QPoint Middle(std::int64_t index) {
    return grid_.viewportPointFromContent(grid_.rectForItemAtIndex(index).center()).toPoint();
  }
  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, QPointF(at), grid_.viewport()->mapToGlobal(QPointF(at)), button, buttons, modifiers);
    QCoreApplication::sendEvent(grid_.viewport(), &event);
  }

  Source source_;
  CNGridView grid_;
};

TEST_F(GridTest, TenThousandItemsScrollWithoutNewTilesOnceThePoolIsFull) {
  Show(10000);
  // 3 columns, 4 rows visible, one row more: 15 tiles.
  EXPECT_EQ(grid_.numberOfVisibleItems(), 15u);
  EXPECT_EQ(source_.made, 15);
  QScrollBar* bar = grid_.verticalScrollBar();
  // 3334 rows of 150 points less the 600 shown.
  EXPECT_EQ(bar->maximum(), 3334 * 150 - 600);
  int madeAfterFirstScreen = 0;
  for (int y = 0; y <= bar->maximum(); y += 70) {
    bar->setValue(y);
    if (y == 700) madeAfterFirstScreen = source_.made;
    ASSERT_LE(grid_.numberOfVisibleItems(), 15u);
  }
  bar->setValue(bar->maximum());
  EXPECT_EQ(source_.made, madeAfterFirstScreen);
  EXPECT_LE(source_.made, 15);
  EXPECT_EQ(source_.asked.count(9999), 1u);
  EXPECT_EQ(source_.asked.size(), 10000u) << "every item was shown once on the way down";
  EXPECT_LE(grid_.numberOfVisibleItems() + grid_.numberOfParkedItems(), 15u);

  // A selection of every item makes no tile and does not stop the parking.
  grid_.selectAllItems();
  EXPECT_EQ(grid_.selectedIndexes().count(), 10000u);
  bar->setValue(0);
  EXPECT_EQ(source_.made, madeAfterFirstScreen);
  EXPECT_TRUE(Tile(0)->selected());
}

TEST_F(GridTest, TilesTakeTheirPlacesAndCentredColumnsMoveByTheInset) {
  Show(7, QSize(500, 600));
  EXPECT_EQ(grid_.numberOfVisibleItems(), 7u);
  EXPECT_EQ(Tile(6)->geometry(), QRect(0, 300, 150, 150));
  grid_.setUseCenterAlignment(true);
  Settle();
  EXPECT_EQ(Tile(6)->geometry(), QRect(25, 325, 150, 150));
  EXPECT_EQ(Tile(4)->geometry(), QRect(175, 175, 150, 150));
  // Narrower: two columns; index 6 moves to row 4.
  grid_.resize(300, 600);
  Settle();
  EXPECT_EQ(Tile(6)->geometry(), QRect(0, 450, 150, 150));
}

TEST_F(GridTest, HoverFollowsThePointerAndLeavingATileHoversNothing) {
  Show(7);
  Heard heard;
  Send(QEvent::MouseMove, Middle(1), Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(Tile(1)->hovered());
  Send(QEvent::MouseMove, QPoint(200, 500), Qt::NoButton, Qt::NoButton);  // below the last row
  EXPECT_FALSE(Tile(1)->hovered());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {kCNGridViewWillHoverItemNotification, "1"},
      {kCNGridViewWillUnhoverItemNotification, "1"},
      {kCNGridViewWillHoverItemNotification, std::to_string(kCNNotFound)}};
  EXPECT_EQ(heard.names, expected);
}

TEST_F(GridTest, ClicksSelectAndAreClassifiedIntoSingleAndDoubleClicks) {
  Show(12, QSize(500, 600));
  grid_.setAllowsSelection(true);
  grid_.setAllowsMultipleSelection(true);
  grid_.setClickInterval(60000);  // gathered until three clicks or the test says
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, Middle(4));
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, Middle(4));
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, Middle(9));
  EXPECT_EQ(source_.clicks, (std::vector<std::pair<std::int64_t, bool>>{{4, true}, {9, false}}));
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{9});
  // Control adds, shift adds the range up to the highest selected index.
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, Qt::ControlModifier, Middle(1));
  EXPECT_EQ(grid_.selectedIndexes(), (CNIndexSet{1, 9}));
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, Qt::ShiftModifier, Middle(11));
  EXPECT_EQ(grid_.selectedIndexes(), (CNIndexSet{1, 9, 10, 11}));
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, Qt::ControlModifier, Middle(10));
  EXPECT_EQ(grid_.selectedIndexes(), (CNIndexSet{1, 9, 11}));
  EXPECT_TRUE(Tile(11)->selected());
  EXPECT_FALSE(Tile(10)->selected());
  grid_.handleClicks();
  // A plain click right of the columns clears the selection.
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(480, 100));
  EXPECT_TRUE(grid_.selectedIndexes().empty());
  EXPECT_FALSE(Tile(11)->selected());
}

TEST_F(GridTest, RightClickSelectsTheTileThenShowsTheMenuWithTheIndexesConcerned) {
  Show(12, QSize(500, 600));
  QMenu menu;
  QAction* recover = menu.addAction(QStringLiteral("Recover"));
  Heard heard;
  // Without a menu: the tile is selected, nothing is shown or told.
  QTest::mouseClick(grid_.viewport(), Qt::RightButton, {}, Middle(2));
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{2});
  EXPECT_TRUE(source_.menuIndexes.empty());

  grid_.setItemContextMenu(&menu);
  grid_.setAllowsMultipleSelection(true);
  grid_.selectItemIndex(5);
  // On a selected tile: the whole selection.
  QTest::mouseClick(grid_.viewport(), Qt::RightButton, {}, Middle(5));
  ASSERT_TRUE(menu.isVisible());
  EXPECT_EQ(recover->data().value<QList<qint64>>(), (QList<qint64>{2, 5}));
  menu.hide();
  ASSERT_EQ(source_.menuIndexes.size(), 1u);
  EXPECT_EQ(source_.menuIndexes[0], (CNIndexSet{2, 5}));
  // On an unselected tile: only that one, selected alone.
  QTest::mouseClick(grid_.viewport(), Qt::RightButton, {}, Middle(7));
  EXPECT_EQ(recover->data().value<QList<qint64>>(), (QList<qint64>{7}));
  menu.hide();
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{7});
  EXPECT_FALSE(Tile(2)->selected());
  // Right of the columns: everything deselected, no menu.
  QTest::mouseClick(grid_.viewport(), Qt::RightButton, {}, QPoint(480, 100));
  EXPECT_FALSE(menu.isVisible());
  EXPECT_TRUE(grid_.selectedIndexes().empty());
  EXPECT_EQ(source_.menuIndexes.size(), 2u);
  const auto told = std::count_if(heard.names.begin(), heard.names.end(), [](const auto& n) {
    return n.first == kCNGridViewRightMouseButtonClickedOnItemNotification;
  });
  EXPECT_EQ(told, 2);
}

TEST_F(GridTest, TheRubberBandSelectsTheTilesItCoversAndEscapeCancelsIt) {
  Show(12);
  grid_.setAllowsSelection(true);
  grid_.setAllowsMultipleSelection(true);
  grid_.setAllowsMultipleSelectionWithDrag(true);
  // From inside tile 0 to inside tile 5 (row 2, column 3).
  Send(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
  Send(QEvent::MouseMove, QPoint(200, 100), Qt::NoButton, Qt::LeftButton);
  Send(QEvent::MouseMove, QPoint(310, 160), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(grid_.selectionFrame(), QRectF(10, 10, 300, 150));
  for (std::int64_t index = 0; index < 12; ++index) EXPECT_EQ(Tile(index)->selected(), index <= 5) << index;
  // Drawn back: tiles it leaves return to their stored look.
  Send(QEvent::MouseMove, QPoint(160, 100), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(Tile(2)->selected());
  EXPECT_TRUE(Tile(1)->selected());
  Send(QEvent::MouseButtonRelease, QPoint(160, 100), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet::Range(0, 2));
  EXPECT_TRUE(grid_.selectionFrame().isEmpty());

  // Escape during a drag: the looks go back, nothing is selected by the band, and this drag draws no band.
  Send(QEvent::MouseButtonPress, QPoint(320, 320), Qt::LeftButton, Qt::LeftButton);
  Send(QEvent::MouseMove, QPoint(440, 590), Qt::NoButton, Qt::LeftButton);
  EXPECT_TRUE(Tile(11)->selected());
  QTest::keyClick(&grid_, Qt::Key_Escape);
  EXPECT_TRUE(grid_.abortSelection());
  EXPECT_FALSE(Tile(11)->selected());
  Send(QEvent::MouseMove, QPoint(445, 595), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(Tile(11)->selected());
  Send(QEvent::MouseButtonRelease, QPoint(445, 595), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{8});  // the press itself selected tile 8
  // The next press may draw a band again.
  Send(QEvent::MouseButtonPress, QPoint(10, 310), Qt::LeftButton, Qt::LeftButton);
  Send(QEvent::MouseMove, QPoint(20, 320), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(grid_.selectionFrame().isEmpty());
  Send(QEvent::MouseButtonRelease, QPoint(20, 320), Qt::LeftButton, Qt::NoButton);
}

TEST_F(GridTest, WithControlTheBandInvertsTheStoredSelectionAndAnEmptyBandSelectsNothing) {
  Show(12);
  grid_.setAllowsMultipleSelection(true);
  grid_.selectItemIndex(0);
  grid_.selectItemIndex(1);
  grid_.selectItemsCoveredBySelectionFrame(QRectF(10, 10, 300, 100), Qt::ControlModifier);
  EXPECT_FALSE(Tile(0)->selected());
  EXPECT_FALSE(Tile(1)->selected());
  EXPECT_TRUE(Tile(2)->selected());
  grid_.selectItemsCoveredBySelectionFrame(QRectF(10, 160, 0, 100), {});
  EXPECT_FALSE(Tile(3)->selected());
  grid_.selectItemsCoveredBySelectionFrame(QRectF(10, 160, 100, 0), {});
  EXPECT_FALSE(Tile(3)->selected());
}

TEST_F(GridTest, InsertionsRemovalsAndReloadsMoveThePlacedTiles) {
  Show(20);
  CNGridViewItemBase* second = Tile(1);
  grid_.selectItemIndex(1);
  source_.count = 21;
  grid_.insertItemAtIndex(1, false);
  Settle();
  EXPECT_EQ(grid_.itemAtIndex(2), second);
  EXPECT_EQ(second->index(), 2);
  EXPECT_EQ(second->geometry(), QRect(300, 0, 150, 150));
  EXPECT_EQ(source_.asked[1], 2) << "the new item 1 is asked for";
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{2});

  source_.count = 19;
  grid_.removeItemsAtIndexes(CNIndexSet{0, 1}, false);
  Settle();
  EXPECT_EQ(grid_.itemAtIndex(0), second);
  EXPECT_EQ(second->geometry(), QRect(0, 0, 150, 150));
  EXPECT_EQ(grid_.selectedIndexes(), CNIndexSet{0});
  EXPECT_EQ(grid_.numberOfItems(), 19);

  const int before = source_.asked[3];
  grid_.reloadItemsAtIndexes(CNIndexSet{3}, false);
  Settle();
  EXPECT_EQ(source_.asked[3], before + 1);
  EXPECT_EQ(grid_.numberOfVisibleItems(), 15u);
}

TEST_F(GridTest, AReloadFadesTheTilesInOverItsDuration) {
  Show(5);
  grid_.setAnimationDurations(60, 30);
  grid_.reloadDataAnimated(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !grid_.layoutPending(); }));
  EXPECT_NE(Tile(0)->graphicsEffect(), nullptr) << "fading in";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !grid_.isAnimating(); }));
  for (std::int64_t index = 0; index < 5; ++index) EXPECT_EQ(Tile(index)->graphicsEffect(), nullptr);
}

TEST(GridHub, DeselectingAllOnOneGridClearsTheSelectedLookOfEveryTile) {
  CNGridViewItem a;
  CNGridViewItem b;
  a.setSelected(true);
  b.setSelected(true);
  CNGridView grid;
  Source source;
  source.count = 3;
  grid.setDataSource(&source);
  grid.selectItemIndex(0);
  grid.deselectAllItems();
  EXPECT_FALSE(a.selected());
  EXPECT_FALSE(b.selected());
  EXPECT_TRUE(a.isReuseable());
}

TEST(GridItem, ThumbnailsAreFittedKeepingTheirShapeAndLateOnesAreDropped) {
  struct Case {
    QSizeF image;
    QRectF drawn;
  };
  const Case cases[] = {
      {{40, 30}, {57.5, 52.5, 40, 30}},     // its own size: x = (145 - 40) / 2 + 5, y = (145 - 30) / 2 - 5
      {{200, 100}, {32.5, 45, 90, 45}},     // the longer side limited to 90, the shape kept
      {{100, 300}, {62.5, 22.5, 30, 90}},
  };
  for (const Case& c : cases) EXPECT_EQ(CNGridViewItem::ImageRectForBounds(QRectF(0, 0, 150, 150), c.image), c.drawn);

  CNGridViewItem item;
  int nodeA = 0;
  int nodeB = 0;
  item.setNode(&nodeA);
  QImage picture(20, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  item.updateImageViewWithImage(picture, &nodeB);
  EXPECT_TRUE(item.itemImage().isNull()) << "meant for another file";
  item.updateImageViewWithImage(QImage(), &nodeA);
  EXPECT_TRUE(item.itemImage().isNull()) << "an empty picture";
  item.updateImageViewWithImage(picture, &nodeA);
  EXPECT_EQ(item.itemImage(), picture);
  item.prepareForReuse();
  EXPECT_TRUE(item.itemImage().isNull());
  EXPECT_EQ(item.index(), kCNNotFound);
}

class CheckDelegate : public CNGridViewItemDelegate {
 public:
  void doSelectItem(std::int64_t index) override { toggled.push_back(index); }
  bool checksLocked() const override { return locked; }
  bool locked = false;
  std::vector<std::int64_t> toggled;
};

TEST(GridItem, TheCheckBoxShowsTheComingStateUnlessChecksAreLocked) {
  CNGridViewItem item;
  CheckDelegate delegate;
  item.setDelegate(&delegate);
  item.setIndex(4);
  item.setCheckState(1);
  item.setCheckBoxImage(QStringLiteral("pf_checkbox_half"));
  delegate.locked = true;
  QTest::mouseClick(item.itemButton(), Qt::LeftButton);
  EXPECT_EQ(item.checkBoxImage(), QStringLiteral("pf_checkbox_half"));
  EXPECT_TRUE(delegate.toggled.empty());
  delegate.locked = false;
  QTest::mouseClick(item.itemButton(), Qt::LeftButton);
  EXPECT_EQ(item.checkBoxImage(), QStringLiteral("checkbox_no"));
  QTest::mouseClick(item.itemButton(), Qt::LeftButton);
  EXPECT_EQ(item.checkBoxImage(), QStringLiteral("checkbox_yes"));
  EXPECT_EQ(delegate.toggled, (std::vector<std::int64_t>{4, 4}));
}

TEST(GridItem, TheTileDrawsItsHoverBackgroundSelectionRingAndThumbnail) {
  CNGridViewItem item;
  const QImage plain = item.grab().toImage();
  item.setHovered(true);
  const QImage hovered = item.grab().toImage();
  EXPECT_LT(qGray(hovered.pixel(100, 20)), qGray(plain.pixel(100, 20))) << "the hover background is darker";
  item.setHovered(false);
  item.setSelected(true);
  const QColor ring = item.grab().toImage().pixelColor(75, 7);
  EXPECT_GT(ring.blue(), ring.red() + 40) << "the blue selection ring along the top";
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(QColor(0, 200, 0));
  item.setItemImage(picture);
  EXPECT_EQ(item.grab().toImage().pixelColor(77, 67), QColor(0, 200, 0));
}

}  // namespace
}  // namespace quellsy::ui
