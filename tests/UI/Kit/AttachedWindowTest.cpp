// The pop-over: its frames for every side worked out by hand from the view, margin, arrow and distance, the
// side it picks for itself, the clamps of its measures, its outline, and the window following its parent.

#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/AttachedWindowGeometry.h"
#include "UI/Kit/MAAttachedWindow.h"

namespace quellsy::ui {
namespace {

// A 100 x 40 view, margin 2, arrow 20 wide and 10 high, corner radius 8: the box is 104 x 44 and the arrow
// inset 8 + 20 / 2 = 18; the point is (500, 500) and the distance 5 (y grows upwards).
AttachedMeasures Measures() {
  AttachedMeasures m;
  m.view = QSizeF(100, 40);
  m.arrowBaseWidth = 20;
  m.arrowHeight = 10;
  return m;
}

struct SideCase {
  int side;
  QRectF frame;
  QPointF viewOrigin;
};

class AttachedFramesBySide : public ::testing::TestWithParam<SideCase> {};

TEST_P(AttachedFramesBySide, PlacesTheBoxByTheRule) {
  const SideCase& c = GetParam();
  const AttachedFrames frames = AttachedWindowFrames(Measures(), QPointF(500, 500), c.side, 5);
  EXPECT_EQ(frames.frame, c.frame) << "side " << c.side;
  EXPECT_EQ(frames.viewFrame, QRectF(c.viewOrigin, QSizeF(100, 40))) << "side " << c.side;
}

INSTANTIATE_TEST_SUITE_P(
    Sides, AttachedFramesBySide,
    ::testing::Values(SideCase{0, {381, 478, 114, 44}, {2, 2}},    // 500 - 114 - 5, 500 - 22
                      SideCase{1, {448, 441, 104, 54}, {2, 2}},    // 500 - 52, 500 - 54 - 5
                      SideCase{2, {505, 478, 114, 44}, {12, 2}},   // the view moves past the arrow
                      SideCase{3, {448, 505, 104, 54}, {2, 12}},
                      SideCase{4, {381, 482, 114, 44}, {2, 2}},    // 500 - 18
                      SideCase{5, {381, 474, 114, 44}, {2, 2}},    // 500 - (44 - 18)
                      SideCase{6, {505, 482, 114, 44}, {12, 2}},
                      SideCase{7, {505, 474, 114, 44}, {12, 2}},
                      SideCase{8, {414, 505, 104, 54}, {2, 12}},   // 500 - (104 - 18)
                      SideCase{9, {482, 505, 104, 54}, {2, 12}},   // 500 - 18
                      SideCase{10, {414, 441, 104, 54}, {2, 2}},
                      SideCase{11, {482, 441, 104, 54}, {2, 2}},
                      SideCase{12, {500, 500, 104, 44}, {2, 2}},   // no side: at the point, no arrow room
                      SideCase{-3, {500, 500, 104, 44}, {2, 2}}));

struct BestSideCase {
  const char* name;
  QPointF point;
  QRectF screen;
  std::optional<QRectF> parent;
  double arrowHeight;
  int side;
};

class BestSide : public ::testing::TestWithParam<BestSideCase> {};

TEST_P(BestSide, ChoosesTheSideThatFits) {
  const BestSideCase& c = GetParam();
  AttachedMeasures m;
  m.view = QSizeF(100, 40);  // W0 = 104, H0 = 44, radius 8, no arrow width: inset 8
  m.arrowHeight = c.arrowHeight;
  EXPECT_EQ(BestSideForAutomaticPosition(m, c.point, 0, c.screen, c.parent), c.side) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BestSide,
    ::testing::Values(
        BestSideCase{"fits below", {500, 400}, {0, 0, 1000, 800}, std::nullopt, 0, 1},
        // 0 > 30 - 44: not below; 500 + 104 < 1000: right; 0 > 30 - 22 is false: centred.
        BestSideCase{"near the bottom goes right", {500, 30}, {0, 0, 1000, 800}, std::nullopt, 0, 2},
        // The arrow's height counts: 0 > 60 - 44 - 20.
        BestSideCase{"the arrow needs room too", {500, 60}, {0, 0, 1000, 800}, std::nullopt, 20, 2},
        BestSideCase{"no room right goes left", {950, 30}, {0, 0, 1000, 800}, std::nullopt, 0, 0},
        BestSideCase{"neither side goes above", {75, 30}, {0, 0, 150, 800}, std::nullopt, 0, 3},
        BestSideCase{"nothing fits stays below", {75, 30}, {0, 0, 150, 60}, std::nullopt, 0, 1},
        // Right, but a centred box sticks out below the parent (20 > 30 - 22): upwards when 800 > 30 + 44 - 8.
        BestSideCase{"right extends upwards", {500, 30}, {0, 0, 1000, 800}, QRectF(100, 20, 600, 300), 0, 6},
        BestSideCase{"upwards does not fit either", {500, 30}, {0, 0, 1000, 60}, QRectF(100, 20, 600, 300), 0, 2},
        // Right (0 > 40 - 44), sticking out above the parent (40 + 22 >= 50), and 40 - 44 + 8 >= 0: downwards.
        BestSideCase{"right extends downwards", {500, 40}, {0, 0, 1000, 900}, QRectF(100, -50, 600, 100), 0, 7},
        // Below, sticking out left of the parent (20 > 30 - 52): rightwards when 1000 > 30 + 104 - 8.
        BestSideCase{"below extends rightwards", {30, 400}, {0, 0, 1000, 800}, QRectF(20, 0, 600, 800), 0, 11},
        // Below, sticking out right of it (590 + 52 >= 600): leftwards when 590 - 104 + 8 >= 0.
        BestSideCase{"below extends leftwards", {590, 400}, {0, 0, 1000, 800}, QRectF(0, 0, 600, 800), 0, 10}),
    [](const ::testing::TestParamInfo<BestSideCase>& rule) {
      std::string name = rule.param.name;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

TEST(AttachedOutline, CornersAndArrowByTheRules) {
  AttachedMeasures m = Measures();
  // Side 11 with square corners beside the arrow: the path starts at the box's top-left corner and the arrow
  // rises from there. The box is (0, 0, 104, 44) in the window; its edges are at 1 and 103, 1 and 43.
  m.drawsRoundCornerBesideArrow = false;
  const QPainterPath square = AttachedWindowPath(m, QRectF(2, 2, 100, 40), 11, true);
  EXPECT_EQ(square.elementAt(0), QPointF(1, 43));
  EXPECT_EQ(QPointF(square.elementAt(1)), QPointF(11, 53));   // the tip: a / 2 along, h up
  EXPECT_EQ(QPointF(square.elementAt(2)), QPointF(21, 43));   // the far end of the base
  // Rounded corners beside the arrow: the path starts r in, and the top-left corner is cut.
  m.drawsRoundCornerBesideArrow = true;
  const QPainterPath rounded = AttachedWindowPath(m, QRectF(2, 2, 100, 40), 11, true);
  EXPECT_EQ(rounded.elementAt(0), QPointF(9, 43));
  EXPECT_FALSE(rounded.contains(QPointF(1.5, 42.5)));
  EXPECT_TRUE(rounded.contains(QPointF(52, 22)));
  // Without an arrow the edge runs straight: nothing reaches above the box.
  EXPECT_LE(AttachedWindowPath(m, QRectF(2, 2, 100, 40), 11, false).boundingRect().bottom(), 43.0);
  // Side 1: the arrow centred on the top edge, tip at midX = 52.
  const QPainterPath below = AttachedWindowPath(m, QRectF(2, 2, 100, 40), 1, true);
  EXPECT_TRUE(below.contains(QPointF(52, 50)));
  EXPECT_FALSE(below.contains(QPointF(30, 50)));
}

class AttachedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.setGeometry(200, 200, 400, 300);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
  }
  QLabel* View() {
    auto* view = new QLabel(QStringLiteral("Hint"));
    view->resize(100, 40);
    return view;
  }
  QWidget parent_{nullptr, Qt::FramelessWindowHint};
};

TEST_F(AttachedWindow, DefaultsPlaceTheBoxAndFollowTheParent) {
  EXPECT_EQ(MAAttachedWindow::initWithView(nullptr, QPointF(0, 0), &parent_), nullptr);
  MAAttachedWindow* popover = MAAttachedWindow::initWithView(View(), QPointF(50, 60), &parent_, kAttachedBelow, 3);
  // The view plus 2 on every side; below the point at (250, 260) by 3: centred across it.
  EXPECT_EQ(popover->geometry(), QRect(250 - 52, 260 + 3, 104, 44));
  EXPECT_EQ(popover->viewGeometry(), QRect(2, 2, 100, 40));
  EXPECT_EQ(popover->view()->geometry(), QRect(2, 2, 100, 40));
  popover->show();
  parent_.move(260, 230);
  EXPECT_TRUE(QTest::qWaitFor([&] { return popover->geometry() == QRect(310 - 52, 290 + 3, 104, 44); }));
  // A new point and side: left of the point, centred on it.
  popover->setPoint(QPointF(10, 20), kAttachedLeft);
  EXPECT_EQ(popover->geometry(), QRect(270 - 3 - 104, 250 - 22, 104, 44));
  // The box is white with a white border; outside its rounded corner it is transparent.
  const QImage image = popover->backgroundImage();
  EXPECT_EQ(image.pixel(52, 22), qRgb(255, 255, 255));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

TEST_F(AttachedWindow, AutomaticSideIsChosenWhenMade) {
  // A point 20 above the bottom of the screen: below does not fit, right does; a centred box would stick out
  // below the parent (whose bottom is 10 above the screen's), so it extends upwards from the point.
  const QRect screen = parent_.screen()->availableGeometry();
  parent_.setGeometry(screen.x() + 100, screen.y() + screen.height() - 150, 400, 140);
  MAAttachedWindow* popover = MAAttachedWindow::initWithView(View(), QPointF(50, 130), &parent_);
  EXPECT_EQ(popover->side(), kAttachedRightUpwards);
  // In the middle of a tall parent it stays below the point.
  parent_.setGeometry(screen.x() + 100, screen.y() + 50, 400, 400);
  EXPECT_EQ(MAAttachedWindow::initWithView(View(), QPointF(200, 100), &parent_)->side(), kAttachedBelow);
}

TEST_F(AttachedWindow, MeasuresAreClamped) {
  MAAttachedWindow* popover = MAAttachedWindow::initWithView(View(), QPointF(50, 60), &parent_, kAttachedBelow);
  popover->setBorderWidth(5);
  EXPECT_EQ(popover->borderWidth(), 2.0);  // at most the margin
  popover->setCornerRadius(30);
  EXPECT_EQ(popover->cornerRadius(), 22.0);  // (40 + 2 * 2 - 0) / 2
  popover->setArrowBaseWidth(50);
  EXPECT_EQ(popover->arrowBaseWidth(), 0.0);  // 40 + 4 - 22 - 22
  popover->setCornerRadius(8);
  popover->setArrowBaseWidth(50);
  EXPECT_EQ(popover->arrowBaseWidth(), 28.0);  // 40 + 4 - 8 - 8
  popover->setViewMargin(-3);
  EXPECT_EQ(popover->viewMargin(), 0.0);
  EXPECT_EQ(popover->cornerRadius(), 6.0);     // re-clamped: (40 + 0 - 28) / 2
  EXPECT_EQ(popover->arrowBaseWidth(), 28.0);  // 40 + 0 - 6 - 6
  popover->setArrowHeight(10);
  EXPECT_EQ(popover->geometry().height(), 40 + 10);
}

TEST_F(AttachedWindow, CloseGoesToTheParent) {
  MAAttachedWindow* popover = MAAttachedWindow::initWithView(View(), QPointF(50, 60), &parent_, kAttachedBelow);
  popover->show();
  popover->performClose();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !parent_.isVisible(); }));
}

}  // namespace
}  // namespace quellsy::ui
