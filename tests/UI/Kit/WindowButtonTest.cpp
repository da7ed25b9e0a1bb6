// The window buttons and their groups: the registry, the capture count that never goes below 0, the rollover
// shown on every enabled button of a group while the pointer is within 4 points of any of them, and the images
// that follow the window's key state, the enabled state and full screen.

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/TCWindowButtonGroup.h"

namespace quellsy::ui {
namespace {

QPixmap Solid(QColor color) {
  QPixmap pixmap(14, 14);
  pixmap.fill(color);
  return pixmap;
}

class WindowButtons : public ::testing::Test {
 protected:
  void SetUp() override { TCWindowButtonGroup::ResetRegistryForTests(); }
  void TearDown() override { TCWindowButtonGroup::ResetRegistryForTests(); }

  TCWindowButton* Make(QWidget* parent, QPoint at, const QString& group) {
    auto* button = new TCWindowButton(QSize(14, 14), group, parent);
    button->move(at);
    button->setActiveImage(active_);
    button->setActiveNotKeyWindowImage(notKey_);
    button->setInactiveImage(inactive_);
    button->setRolloverImage(rollover_);
    button->setPressedImage(pressed_);
    return button;
  }
  static void Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  // The pointer moves to point in window (the buttons' tracking follows the application's mouse moves).
  static void PointAt(QWidget& window, QPoint point) { QTest::mouseMove(&window, point); }

  const QPixmap active_ = Solid(Qt::red);
  const QPixmap notKey_ = Solid(Qt::gray);
  const QPixmap inactive_ = Solid(Qt::lightGray);
  const QPixmap rollover_ = Solid(Qt::darkRed);
  const QPixmap pressed_ = Solid(Qt::black);
};

TEST_F(WindowButtons, RegistryHandsOutOneGroupPerIdentifier) {
  TCWindowButtonGroup* first = TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("a"));
  EXPECT_EQ(TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("a")), first);
  EXPECT_NE(TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("b")), first);
  EXPECT_EQ(TCWindowButtonGroup::groupWithIdentifier(QString())->identifier(),
            QString::fromLatin1(kTCWindowButtonGroupDefault));
  // Buttons made without an identifier share the default group, across windows too.
  QWidget one;
  QWidget two;
  EXPECT_EQ(Make(&one, {0, 0}, QString())->group(), Make(&two, {0, 0}, QString())->group());
}

TEST_F(WindowButtons, CountNeverGoesBelowZeroAndAnnouncesOnlyChanges) {
  TCWindowButtonGroup* group = TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("count"));
  QSignalSpy changes(group, &TCWindowButtonGroup::didUpdateRolloverState);
  group->didReleaseMousePointer();
  EXPECT_EQ(group->numberOfCaptures(), 0);
  EXPECT_EQ(changes.count(), 0);
  group->didCaptureMousePointer();
  group->didCaptureMousePointer();
  EXPECT_EQ(group->numberOfCaptures(), 2);
  EXPECT_TRUE(group->shouldDisplayRollOver());
  group->setNumberOfCaptures(-1);
  group->setNumberOfCaptures(2);
  EXPECT_EQ(changes.count(), 2);
  group->resetMouseCaptures();
  EXPECT_FALSE(group->shouldDisplayRollOver());
  EXPECT_EQ(changes.count(), 3);
}

TEST_F(WindowButtons, GroupRolloverAcrossNeighbours) {
  QWidget window;
  window.resize(200, 60);
  // 14 wide with a 6-point gap: the areas (grown by 4) overlap on x 26 and 27.
  TCWindowButton* left = Make(&window, {10, 10}, QStringLiteral("row"));
  TCWindowButton* right = Make(&window, {30, 10}, QStringLiteral("row"));
  TCWindowButton* disabled = Make(&window, {50, 10}, QStringLiteral("row"));
  disabled->setEnabled(false);
  Activate(window);
  TCWindowButtonGroup* group = left->group();
  PointAt(window, {100, 40});
  EXPECT_EQ(left->image().cacheKey(), active_.cacheKey());

  PointAt(window, {7, 17});  // 3 points left of the first button: inside its area
  EXPECT_EQ(group->numberOfCaptures(), 1);
  EXPECT_EQ(left->image().cacheKey(), rollover_.cacheKey());
  EXPECT_EQ(right->image().cacheKey(), rollover_.cacheKey());
  EXPECT_EQ(disabled->image().cacheKey(), inactive_.cacheKey());
  PointAt(window, {27, 17});  // inside both areas
  EXPECT_EQ(group->numberOfCaptures(), 2);
  PointAt(window, {35, 17});  // the second only
  EXPECT_EQ(group->numberOfCaptures(), 1);
  EXPECT_EQ(left->image().cacheKey(), rollover_.cacheKey());
  PointAt(window, {150, 40});
  EXPECT_EQ(group->numberOfCaptures(), 0);
  EXPECT_EQ(left->image().cacheKey(), active_.cacheKey());
  EXPECT_EQ(right->image().cacheKey(), active_.cacheKey());
  // The disabled button counts captures too, but never shows its rollover.
  PointAt(window, {55, 17});
  EXPECT_EQ(group->numberOfCaptures(), 1);
  EXPECT_EQ(disabled->image().cacheKey(), inactive_.cacheKey());
  EXPECT_EQ(left->image().cacheKey(), rollover_.cacheKey());
}

TEST_F(WindowButtons, ImagesFollowKeyEnabledAndPressedStates) {
  QWidget window;
  window.resize(100, 40);
  TCWindowButton* button = Make(&window, {10, 10}, QStringLiteral("key"));
  Activate(window);
  button->updateImage();
  EXPECT_EQ(button->image().cacheKey(), active_.cacheKey());
  QWidget other;
  Activate(other);
  EXPECT_EQ(button->image().cacheKey(), notKey_.cacheKey());
  button->setEnabled(false);
  EXPECT_EQ(button->image().cacheKey(), inactive_.cacheKey());
  // Enabling shows the active image even while the window is not key; the next key change corrects it.
  button->setEnabled(true);
  EXPECT_EQ(button->image().cacheKey(), active_.cacheKey());
  Activate(window);
  Activate(other);
  EXPECT_EQ(button->image().cacheKey(), notKey_.cacheKey());
  button->setDown(true);
  EXPECT_EQ(button->shownImage().cacheKey(), pressed_.cacheKey());
}

TEST_F(WindowButtons, FullScreenHidesTheButtonAndResetsItsGroup) {
  TCImageWindow window(QSize(300, 200));
  TCWindowButton* close = window.standardWindowButton(WindowButtonKind::kClose);
  Activate(window);
  close->group()->setNumberOfCaptures(3);
  window.showFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.isFullScreen(); }));
  EXPECT_FALSE(close->isVisible());
  EXPECT_EQ(close->group()->numberOfCaptures(), 0);
  window.showNormal();
  EXPECT_TRUE(QTest::qWaitFor([&] { return close->isVisible(); }));
}

TEST_F(WindowButtons, TheWindowsOwnButtonsDrawOurImages) {
  TCImageWindow window(QSize(300, 200));
  Activate(window);
  TCWindowButton* close = window.standardWindowButton(WindowButtonKind::kClose);
  for (const QPixmap* image : {&close->activeImage(), &close->activeNotKeyWindowImage(), &close->inactiveImage(),
                               &close->rolloverImage(), &close->pressedImage()})
    EXPECT_FALSE(image->isNull());
  // The close drawing is red at its centre; the group lights all three up together.
  const QImage shown = close->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(7, 3)).name(), QStringLiteral("#e5484d"));
  EXPECT_EQ(close->accessibleName(), QStringLiteral("Close"));
  close->mouseEntered();
  EXPECT_EQ(window.standardWindowButton(WindowButtonKind::kZoom)->image().cacheKey(),
            window.standardWindowButton(WindowButtonKind::kZoom)->rolloverImage().cacheKey());
  close->mouseExited();
}

}  // namespace
}  // namespace quellsy::ui
