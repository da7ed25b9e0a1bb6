// The grid's geometry worked out by hand from cells of 150 points, the index set that holds its selection,
// the click classifier and the cover flow's load range.

#include <gtest/gtest.h>

#include "UI/Kit/Grid/CNGridClicks.h"
#include "UI/Kit/Grid/CNGridGeometry.h"
#include "UI/Kit/Grid/CNIndexSet.h"
#include "UI/Kit/Grid/CoverFlowGeometry.h"

namespace quellsy::ui {
namespace {

struct LayoutCase {
  const char* what;
  double width;
  bool center;
  std::int64_t columns;
  double inset;
};

TEST(CNGridGeometry, ColumnsAndInsetFromTheVisibleWidth) {
  const LayoutCase cases[] = {
      {"149 wide: still one column", 149, false, 1, 0},
      {"150 wide: one column", 150, true, 1, 0},
      {"450 wide, not centred", 450, false, 3, 0},
      {"500 wide, not centred", 500, false, 3, 0},
      {"500 wide, centred: (500 - 450) / 2", 500, true, 3, 25},
      {"599 wide, centred: floor(149 / 2)", 599, true, 3, 74},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const CNGridGeometry geometry(QRectF(0, 0, c.width, 600), 100, c.center);
    EXPECT_EQ(geometry.columnsInGridView(), c.columns);
    EXPECT_EQ(geometry.contentInset(), c.inset);
  }
}

TEST(CNGridGeometry, ContentHeightAndRows) {
  // No items: only the inset above and below.
  EXPECT_EQ(CNGridGeometry(QRectF(0, 0, 500, 400), 0, true).contentHeight(), 50.0);
  EXPECT_EQ(CNGridGeometry(QRectF(0, 0, 500, 400), 0, true).visibleItemRange(), (CNItemRange{0, 0}));
  // 7 items in 3 columns: 3 rows.
  const CNGridGeometry seven(QRectF(0, 0, 450, 400), 7, false);
  EXPECT_EQ(seven.allOverRowsInGridView(), 3);
  EXPECT_EQ(seven.contentHeight(), 450.0);
  EXPECT_EQ(seven.visibleRowsInGridView(), 3);  // ceil(400 / 150)
}

TEST(CNGridGeometry, VisibleRangeStartsOneRowAboveTheFirstVisibleOne) {
  struct Case {
    double originY;
    CNItemRange range;
  };
  // 3 columns, 300 high: 2 visible rows; length = 3 x 2 + 3 = 9.
  const Case cases[] = {{0, {0, 9}}, {150, {0, 9}}, {151, {3, 9}}, {300, {3, 9}}, {301, {6, 9}}, {4350, {84, 9}},
                        {4400, {87, 9}}, {4651, {93, 7}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.originY);
    EXPECT_EQ(CNGridGeometry(QRectF(0, c.originY, 450, 300), 100, false).visibleItemRange(), c.range);
  }
}

TEST(CNGridGeometry, SevenItemsInThreeColumns) {
  const CNGridGeometry geometry(QRectF(0, 0, 500, 600), 7, true);
  EXPECT_EQ(geometry.locationForItemAtIndex(6), CNMakeItemPoint(1, 3));
  EXPECT_EQ(geometry.locationForItemAtIndex(5), CNMakeItemPoint(3, 2));
  EXPECT_EQ(geometry.rectForItemAtIndex(6), QRectF(25, 325, 150, 150));
  EXPECT_EQ(geometry.rectForItemAtIndex(4), QRectF(175, 175, 150, 150));
  // Points: inside tile 4, right of the last column, below the last item, in the inset.
  EXPECT_EQ(geometry.indexForItemAtLocation(QPointF(200, 200)), 4);
  EXPECT_EQ(geometry.indexForItemAtLocation(QPointF(30, 470)), 6);
  EXPECT_EQ(geometry.indexForItemAtLocation(QPointF(3 * 150 + 25 + 1, 30)), kCNNotFound);
  EXPECT_EQ(geometry.indexForItemAtLocation(QPointF(200, 330)), kCNNotFound);  // index 7 does not exist
  EXPECT_EQ(geometry.indexForItemAtLocation(QPointF(10, 30)), kCNNotFound);
  // The rubber band's corners: no inset, x kept inside the columns.
  EXPECT_EQ(geometry.boundIndexForItemAtLocation(QPointF(160, 10)), 1);
  EXPECT_EQ(geometry.boundIndexForItemAtLocation(QPointF(900, 160)), 5);
}

TEST(CNIndexSet, RangesJoinSplitAndShift) {
  CNIndexSet set{1, 2, 3, 7};
  EXPECT_EQ(set.ranges().size(), 2u);
  set.add(4);
  set.add(6);
  EXPECT_EQ(set.ranges().size(), 2u);  // 1-4 and 6-7
  set.add(5);
  EXPECT_EQ(set, CNIndexSet::Range(1, 7));
  set.remove(4);
  EXPECT_EQ(set.indexes(), (std::vector<std::int64_t>{1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(set.countOfIndexesBelow(6), 4u);
  // Two items inserted at 2: 2 and 3 move to 4 and 5, and so on.
  set.shiftIndexesStartingAtIndex(2, 2);
  EXPECT_EQ(set.indexes(), (std::vector<std::int64_t>{1, 4, 5, 7, 8, 9}));
  // Items 4 and 5 removed: they go, the later ones move down by two.
  set.shiftIndexesStartingAtIndex(6, -2);
  EXPECT_EQ(set.indexes(), (std::vector<std::int64_t>{1, 5, 6, 7}));
  const CNIndexSet million = CNIndexSet::Range(0, 1000000);
  EXPECT_EQ(million.count(), 1000000u);
  EXPECT_EQ(million.ranges().size(), 1u);
  EXPECT_TRUE(million.contains(999999));
  EXPECT_FALSE(million.contains(1000000));
}

TEST(ClassifyGridClicks, BufferedClicksBecomeSingleAndDoubleClicks) {
  struct Case {
    std::vector<std::int64_t> indexes;
    std::vector<CNGridClick> clicks;
  };
  const Case cases[] = {
      {{4}, {{4, false}}},
      {{4, 4}, {{4, true}}},
      {{4, 5}, {{4, false}, {5, false}}},
      {{4, 4, 4}, {{4, true}}},
      {{4, 4, 9}, {{4, true}, {9, false}}},
      {{4, 9, 9}, {{4, false}, {9, true}}},
      {{1, 2, 3}, {{1, false}, {2, false}, {3, false}}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyGridClicks(c.indexes), c.clicks);
}

TEST(CoverFlowGeometry, LoadRangeAroundTheSelection) {
  struct Case {
    std::int64_t count;
    std::int64_t selected;
    CNItemRange range;
  };
  const Case cases[] = {{10, 7, {0, 10}},    {1000, 500, {400, 200}}, {1000, 50, {0, 150}},
                        {1000, 950, {850, 150}}, {0, 0, {0, 0}},          {11, 0, {0, 11}}};
  for (const Case& c : cases)
    EXPECT_EQ(CoverFlowGeometry::LoadRangeAround(c.count, c.selected), c.range) << c.count << " " << c.selected;
}

TEST(CoverFlowGeometry, TheSelectedCoverFacesTheViewerAndSideCoversTurn) {
  const CoverFlowGeometry geometry(QSizeF(800, 400), 5);
  const QPolygonF middle = geometry.PlacementOf(5).Outline();
  const QRectF front = middle.boundingRect();
  // Facing: a square, centred.
  EXPECT_NEAR(front.width(), front.height(), 0.5);
  EXPECT_NEAR(front.center().x(), 400, 0.5);
  // A side cover on the right is narrower than it is high, and its far (right) edge shorter than its near one.
  const QPolygonF right = geometry.PlacementOf(6).Outline();
  EXPECT_LT(right.boundingRect().width(), right.boundingRect().height());
  EXPECT_GT(right.boundingRect().left(), front.left());
  const double nearEdge = right[3].y() - right[0].y();
  const double farEdge = right[2].y() - right[1].y();
  EXPECT_LT(farEdge, nearEdge);
  EXPECT_EQ(geometry.IndexAt(front.center(), 20), 5);
  EXPECT_EQ(geometry.DrawnRange(20), (CNItemRange{0, 12}));
}

}  // namespace
}  // namespace quellsy::ui
