// The custom window: its bar, buttons and content laid out by the rules (worked out by hand from the window's
// measures), the bar's controls following the active state, a press-drag in the bar moving the window where no
// window manager does it, the edges resizing it, full screen, caller-provided buttons and the bar's drawing.

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/JBTitlebarContainer.h"
#include "UI/Kit/JBTitlebarView.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/TitlebarLayout.h"
#include "UI/Kit/UserDefaults.h"
#include "support/TempDir.h"
#include "UI/Kit/WindowMetrics.h"
#include "UI/Kit/WindowResizeGrip.h"

namespace quellsy::ui {
namespace {

// ---- The rules as pure functions ----------------------------------------------------------------------------

struct TrafficLightCase {
  const char* name;
  TrafficLightRules rules;
  // Expected bottom-left frames' origins of close, minimise and zoom (14 x 14 buttons).
  std::array<QPointF, 3> origins;
};

class TrafficLightLayout : public ::testing::TestWithParam<TrafficLightCase> {};

TEST_P(TrafficLightLayout, PlacesTheThreeButtons) {
  const TrafficLightCase& c = GetParam();
  // A window whose frame is 600 high with a 50-point bar: the container is (0, 550, 400, 50).
  const QRectF container = TitleBarContainerFrame(QRectF(0, 0, 400, 600), 50);
  EXPECT_EQ(container, QRectF(0, 550, 400, 50));
  const QRectF button(0, 0, 14, 14);
  const auto frames = TrafficLightFrames(container, {button, button, button}, c.rules);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(frames[i].topLeft(), c.origins[i]) << c.name << " button " << i;
    EXPECT_EQ(frames[i].size(), QSizeF(14, 14));
  }
}

TrafficLightRules Rules(double left, double separation, double moveUp, bool centered, bool vertical) {
  TrafficLightRules rules;
  rules.leftMargin = left;
  rules.separation = separation;
  rules.moveUp = moveUp;
  rules.centered = centered;
  rules.vertical = vertical;
  return rules;
}

// Centred row: y = round(575 - 14 / 2) = 568; hung row: 600 - 14 - 3 = 583; x = L, L + 14 + s, L + 2 (14 + s).
// Column (s = 6, gap 4): H = 3 * 14 + 2 * 4 = 50; centred y = round(575 - 25) = 550, zoom at 550, minimise at
// 550 + 14 + 4 = 568, close at 586; hung y = 600 - 50 - 3 = 547. The column ignores the offset.
INSTANTIATE_TEST_SUITE_P(
    Rules, TrafficLightLayout,
    ::testing::Values(
        TrafficLightCase{"centred row", Rules(7, 6, 0, true, false), {{{7, 568}, {27, 568}, {47, 568}}}},
        TrafficLightCase{"centred row moved up", Rules(13, 6, 5, true, false), {{{13, 573}, {33, 573}, {53, 573}}}},
        TrafficLightCase{"hung row", Rules(7, 8, 2, false, false), {{{7, 585}, {29, 585}, {51, 585}}}},
        TrafficLightCase{"centred column", Rules(7, 6, 5, true, true), {{{7, 586}, {7, 568}, {7, 550}}}},
        TrafficLightCase{"hung column", Rules(7, 6, 0, false, true), {{{7, 583}, {7, 565}, {7, 547}}}}),
    [](const ::testing::TestParamInfo<TrafficLightCase>& rule) {
      std::string name = rule.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(TitleBarRules, ContentSheetFullScreenButtonAndOutline) {
  // The content keeps its origin and width and ends at the bar: 600 - 50.
  EXPECT_EQ(ContentFrameBelowTitleBar(QRectF(0, 0, 400, 600), QRectF(0, 0, 400, 600), 50), QRectF(0, 0, 400, 550));
  EXPECT_EQ(ContentFrameBelowTitleBar(QRectF(0, 0, 400, 600), QRectF(0, 0, 400, 578), 40), QRectF(0, 0, 400, 560));
  // A sheet of a window 600 high with a 50-point bar attaches at y = 550.
  EXPECT_EQ(SheetFrameUnderTitleBar(QRectF(100, 0, 200, 0), 600, 50), QRectF(100, 550, 200, 0));
  // A 16-wide full-screen button 10 from the right edge of a 400-wide bar: x = 400 - 16 - 10; centred
  // round(575 - 8) = 567, hung 600 - 16 - 3 = 581.
  const QRectF container(0, 550, 400, 50);
  EXPECT_EQ(FullScreenButtonFrame(container, QRectF(0, 0, 16, 16), 10, true, 3), QRectF(374, 567, 16, 16));
  EXPECT_EQ(FullScreenButtonFrame(container, QRectF(0, 0, 16, 16), 10, false, 3), QRectF(374, 581, 16, 16));
  // The outline: top corners cut by the radius, bottom corners square.
  const QPainterPath outline = createClippingPathWithRectAndRadius(QRectF(0, 0, 100, 30), 4);
  EXPECT_FALSE(outline.contains(QPointF(0.5, 0.5)));
  EXPECT_FALSE(outline.contains(QPointF(99.5, 0.5)));
  EXPECT_TRUE(outline.contains(QPointF(4, 4)));
  EXPECT_TRUE(outline.contains(QPointF(0.5, 29.5)));
  EXPECT_TRUE(outline.contains(QPointF(99.5, 29.5)));
}

TEST(ResizeGrip, DragsWithinTheWindowsLimits) {
  const QRect start(100, 100, 400, 300);
  const QSize minimum(200, 150);
  const QSize maximum(600, 500);
  EXPECT_EQ(WindowResizeGrip::ResizedGeometry(start, Qt::RightEdge, {50, 20}, minimum, maximum), QRect(100, 100, 450, 300));
  EXPECT_EQ(WindowResizeGrip::ResizedGeometry(start, Qt::LeftEdge | Qt::TopEdge, {-30, 40}, minimum, maximum),
            QRect(70, 140, 430, 260));
  // Past the minimum the far edge stays put; past the maximum likewise.
  EXPECT_EQ(WindowResizeGrip::ResizedGeometry(start, Qt::LeftEdge, {350, 0}, minimum, maximum), QRect(300, 100, 200, 300));
  EXPECT_EQ(WindowResizeGrip::ResizedGeometry(start, Qt::BottomEdge, {0, 900}, minimum, maximum), QRect(100, 100, 400, 500));
}

// ---- The window ---------------------------------------------------------------------------------------------

class CustomWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.move(100, 100);
    window_.setTitleBarHeight(50);
  }
  void Show(TCImageWindow& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  TCWindowButton* Button(WindowButtonKind kind) { return window_.standardWindowButton(kind); }

  TCImageWindow window_{QSize(400, 600)};
};

TEST_F(CustomWindow, FiftyPointBarPlacesTheButtonsAndShrinksTheContent) {
  Show(window_);
  // Bottom-left y 568 for a 14-high button in a 600-high window is 600 - 568 - 14 = 18 from the top.
  EXPECT_EQ(Button(WindowButtonKind::kClose)->geometry(), QRect(7, 18, 14, 14));
  EXPECT_EQ(Button(WindowButtonKind::kMiniaturize)->geometry(), QRect(27, 18, 14, 14));
  EXPECT_EQ(Button(WindowButtonKind::kZoom)->geometry(), QRect(47, 18, 14, 14));
  EXPECT_EQ(window_.titleBarContainer()->geometry(), QRect(0, 0, 400, 50));
  EXPECT_EQ(window_.titleBarView()->geometry(), QRect(0, 0, 400, 50));
  EXPECT_EQ(window_.contentView()->geometry(), QRect(0, 50, 400, 550));

  // An equal height changes nothing, not even a pending offset; the offset applies with the next new height.
  window_.setTopButtonMoveUp(5);
  window_.setTitleBarHeight(50);
  EXPECT_EQ(Button(WindowButtonKind::kClose)->geometry().y(), 18);
  window_.setTitleBarHeight(40);
  // Bar 40: y = round(580 - 7) + 5 = 578, top-left 600 - 578 - 14 = 8.
  EXPECT_EQ(Button(WindowButtonKind::kClose)->geometry(), QRect(7, 8, 14, 14));
  EXPECT_EQ(window_.contentView()->geometry(), QRect(0, 40, 400, 560));
  EXPECT_EQ(window_.cachedTitleBarHeight(), 40);

  // Hung from the bar's top: 600 - 14 - 3 + 5 = 588 → 600 - 588 - 14 = -2 from the top.
  window_.setCenterTrafficLightButtons(false);
  EXPECT_EQ(Button(WindowButtonKind::kZoom)->geometry(), QRect(47, -2, 14, 14));
  window_.setTrafficLightButtonsLeftMargin(13);
  window_.setTrafficLightSeparation(8);
  EXPECT_EQ(Button(WindowButtonKind::kMiniaturize)->geometry().x(), 13 + 14 + 8);

  // The content follows the window's size and still ends at the bar.
  window_.resize(500, 450);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.contentView()->geometry() == QRect(0, 40, 500, 410); }));
  EXPECT_EQ(window_.titleBarContainer()->geometry(), QRect(0, 0, 500, 40));
}

TEST_F(CustomWindow, SizedBeforeShownIsFilledAtItsFinalSize) {
  TCImageWindow window;
  window.resize(700, 300);
  window.setTitleBarHeight(30);
  EXPECT_EQ(window.contentView()->geometry(), QRect(0, 30, 700, 270));
  EXPECT_EQ(window.titleBarView()->geometry(), QRect(0, 0, 700, 30));
}

TEST_F(CustomWindow, BarControlsFollowTheActiveState) {
  auto* search = new QPushButton(QStringLiteral("Search"), window_.titleBarView());
  auto* label = new QWidget(window_.titleBarView());
  Show(window_);
  EXPECT_TRUE(window_.isActive());
  EXPECT_TRUE(search->isEnabled());

  TCImageWindow other(QSize(300, 200));
  Show(other);
  EXPECT_FALSE(window_.isActive());
  EXPECT_FALSE(search->isEnabled());
  EXPECT_TRUE(label->isEnabled());  // not a control

  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  EXPECT_TRUE(search->isEnabled());

  // A window of this one (a sheet, a pop-over) being active keeps this one active.
  TCImageWindow sheet(QSize(200, 100), &window_);
  Show(sheet);
  EXPECT_TRUE(window_.isActive());
  EXPECT_TRUE(search->isEnabled());
}

TEST_F(CustomWindow, DragInTheBarMovesTheWindowWithoutAWindowManager) {
  Show(window_);
  const QPoint start = window_.pos();
  QWidget* bar = window_.titleBarView();
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(200, 25));
  QTest::mouseMove(bar, QPoint(260, 65));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(260, 65));
  EXPECT_EQ(window_.titleBarContainer()->lastMoveKind(), JBTitlebarContainer::MoveKind::kFollowed);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.pos() == start + QPoint(60, 40); }));
  // A press on one of the bar's controls is the control's.
  auto* button = new QPushButton(QStringLiteral("Go"), window_.titleBarView());
  button->setGeometry(300, 10, 60, 30);
  button->show();
  QSignalSpy clicks(button, &QPushButton::clicked);
  const QPoint before = window_.pos();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(window_.pos(), before);
}

TEST_F(CustomWindow, EdgesResizeTheWindow) {
  window_.setMinimumSize(200, 200);
  Show(window_);
  auto* right = window_.findChild<WindowResizeGrip*>(QStringLiteral("windowResizeRight"));
  ASSERT_NE(right, nullptr);
  ASSERT_TRUE(right->isVisible());
  QTest::mousePress(right, Qt::LeftButton, {}, QPoint(2, 100));
  QTest::mouseMove(right, QPoint(52, 100));
  QTest::mouseRelease(right, Qt::LeftButton, {}, QPoint(52, 100));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.width() == 450; }));
  EXPECT_EQ(window_.height(), 600);
  // A window of fixed size has no grips.
  TCImageWindow fixed(QSize(300, 200));
  fixed.setFixedSize(300, 200);
  Show(fixed);
  EXPECT_FALSE(fixed.findChild<WindowResizeGrip*>(QStringLiteral("windowResizeRight"))->isVisible());
}

TEST_F(CustomWindow, FullScreenCollapsesTheBarWhenAsked) {
  window_.setHideTitleBarInFullScreen(true);
  Show(window_);
  window_.showFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_.titleBarHeight() == 0; }));
  EXPECT_FALSE(window_.titleBarView()->isVisible());
  EXPECT_EQ(window_.contentView()->geometry().top(), 0);
  EXPECT_FALSE(window_.standardWindowButton(WindowButtonKind::kClose)->isVisible());
  window_.showNormal();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_.titleBarHeight() == 50; }));
  EXPECT_TRUE(window_.titleBarView()->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.contentView()->geometry().top() == 50; }));
  EXPECT_TRUE(window_.standardWindowButton(WindowButtonKind::kClose)->isVisible());
}

TEST_F(CustomWindow, CallerButtonsTakeTheStandardPlaces) {
  auto* close = new TCWindowButton(QSize(20, 20), QStringLiteral("caller"));
  window_.setCloseButton(close);
  auto* fullScreen = new TCWindowButton(QSize(16, 16), QStringLiteral("caller"));
  fullScreen->setParent(&window_);
  fullScreen->move(374, 0);  // 10 from the right edge of the 400-wide window
  window_.setFullScreenButton(fullScreen);
  Show(window_);
  EXPECT_FALSE(window_.standardWindowButton(WindowButtonKind::kClose)->isVisible());
  EXPECT_TRUE(close->isVisible());
  // 20 high in the 50-point bar: round(575 - 10) = 565 → 600 - 565 - 20 = 15 from the top.
  EXPECT_EQ(close->geometry(), QRect(7, 15, 20, 20));
  // The minimise button follows the caller's close button.
  EXPECT_EQ(window_.standardWindowButton(WindowButtonKind::kMiniaturize)->x(), 7 + 20 + 6);
  EXPECT_TRUE(window_.hasFullScreenButtonRightMargin());
  EXPECT_EQ(window_.fullScreenButtonRightMargin(), 10);
  window_.resize(500, 600);
  EXPECT_TRUE(QTest::qWaitFor([&] { return fullScreen->x() == 500 - 16 - 10; }));
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window_.isVisible(); }));
}

TEST_F(CustomWindow, TheBarIsWhiteWithRoundedCornersAndItsTitle) {
  window_.setWindowTitle(QStringLiteral("MMMMMMMM"));
  Show(window_);
  const QImage plain = window_.grab().toImage();
  EXPECT_EQ(qAlpha(plain.pixel(0, 0)), 0);  // outside the rounded corner
  EXPECT_EQ(plain.pixel(200, 1), qRgb(255, 255, 255));
  EXPECT_EQ(plain.pixel(200, 49), qRgb(255, 255, 255));  // separator row: white too
  EXPECT_EQ(plain.pixel(5, 300), qRgb(255, 255, 255));   // content
  const auto darkPixels = [](const QImage& image) {
    int dark = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 150; x < 250; ++x)
        if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark;
  };
  EXPECT_EQ(darkPixels(plain), 0);
  window_.setShowsTitle(true);
  const QImage titled = window_.grab().toImage();
  EXPECT_GT(darkPixels(titled), 20);
  // The title is centred across the bar near its top.
  const auto* view = static_cast<JBTitlebarView*>(window_.titleBarView());
  const QRectF frame = view->titleFrame(window_);
  EXPECT_DOUBLE_EQ(frame.center().x(), 200.0);
  EXPECT_DOUBLE_EQ(frame.top(), 2.0);
  EXPECT_EQ(JBTitlebarView::titleTextAttributes(window_).color, QColor::fromRgbF(56 / 255.0f, 56 / 255.0f, 56 / 255.0f, 1.0f));
}

TEST_F(CustomWindow, DrawingBlockPaintsTheBarAndTheTitleStillShows) {
  window_.setWindowTitle(QStringLiteral("MMMMMMMM"));
  bool sawActive = false;
  window_.setTitleBarDrawingBlock([&](QPainter& painter, bool active, const QRectF& bounds, const QPainterPath&) {
    sawActive = active;
    painter.fillRect(bounds, QColor(0x30, 0xa4, 0x6c));
  });
  Show(window_);
  QImage image = window_.grab().toImage();
  EXPECT_TRUE(sawActive);
  EXPECT_EQ(image.pixel(390, 45), qRgb(0x30, 0xa4, 0x6c));
  window_.setShowsTitle(true);
  image = window_.grab().toImage();
  const QRectF title = static_cast<JBTitlebarView*>(window_.titleBarView())->titleFrame(window_);
  int titlePixels = 0;
  for (int x = static_cast<int>(title.left()); x < title.right(); ++x)
    for (int y = 2; y < 18; ++y)
      if (image.pixel(x, y) != qRgb(0x30, 0xa4, 0x6c)) ++titlePixels;
  EXPECT_GT(titlePixels, 20);
}

TEST_F(CustomWindow, DoubleClickMinimisesOnlyWhenTheUserAsks) {
  const test::TempDir home;
  UserDefaults::ResetForTests(home / "Defaults.plist");  // empty: the setting is absent
  Show(window_);
  QWidget* bar = window_.titleBarView();
  QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(200, 25));
  EXPECT_FALSE(window_.isMinimized());
  UserDefaults::Instance().SetBool(UserDefaults::kMiniaturizeOnDoubleClick, true);
  QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(200, 25));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.isMinimized(); }));
  UserDefaults::ResetForTests();
}

}  // namespace
}  // namespace quellsy::ui
