// The space bar's preview on the offscreen platform: it opens with the file's name and picture, the next press
// closes it, and once the user has closed it by its close button the next press opens a new one.

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/ItemViews/SpacePreviewWindow.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"

namespace quellsy::ui {
namespace {

QImage Picture(QSize size, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST(SpacePreview, TheSpaceBarOpensAPreviewAndTheNextPressClosesIt) {
  SpacePreviewToggle toggle;
  ASSERT_TRUE(toggle.Toggle(QStringLiteral("Holiday.jpg"), Picture(QSize(200, 100), Qt::red)));
  SpacePreviewWindow* preview = toggle.current();
  ASSERT_NE(preview, nullptr);
  QPointer<TCImageWindow> window = preview->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(window->titleBarHeight(), 20);
  EXPECT_EQ(preview->titleLabel()->text(), QStringLiteral("Holiday.jpg"));
  // The label sits at (70, 2) of the bar, 410 x 16, counted from the bar's bottom left.
  EXPECT_EQ(preview->titleLabel()->geometry(), QRect(70, 2, 410, 16));
  // A picture smaller than the room keeps its size.
  EXPECT_EQ(preview->imageView()->pixmap().size(), QSize(200, 100));
  EXPECT_FALSE(preview->isClosed());

  EXPECT_FALSE(toggle.Toggle(QStringLiteral("Holiday.jpg"), QImage()));
  EXPECT_EQ(toggle.current(), nullptr);
  EXPECT_TRUE(window.isNull()) << "the preview and its window are released";
}

TEST(SpacePreview, AfterTheUserClosedItTheNextPressOpensANewOne) {
  SpacePreviewToggle toggle;
  ASSERT_TRUE(toggle.Toggle(QStringLiteral("Large.png"), Picture(QSize(2000, 1000), Qt::blue)));
  SpacePreviewWindow* first = toggle.current();
  TCImageWindow* window = first->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  // A larger picture shrinks to the room, its shape kept.
  const QSize shown = first->imageView()->pixmap().size();
  EXPECT_EQ(shown.width(), first->imageView()->width());
  EXPECT_EQ(shown.width(), shown.height() * 2);

  TCWindowButton* close = window->standardWindowButton(WindowButtonKind::kClose);
  ASSERT_NE(close, nullptr);
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_TRUE(first->isClosed());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(toggle.current(), nullptr);

  ASSERT_TRUE(toggle.Toggle(QStringLiteral("Other.png"), Picture(QSize(10, 10), Qt::green)));
  ASSERT_NE(toggle.current(), nullptr);
  EXPECT_EQ(toggle.current()->titleLabel()->text(), QStringLiteral("Other.png"));
  EXPECT_TRUE(toggle.current()->window()->isVisible());
}

TEST(SpacePreview, ClosingEndsAModalRunOfThePreviewAndTheWindowManagersCloseCountsAsTheButton) {
  SpacePreviewWindow preview;
  preview.setStrName(QStringLiteral("Clip.mov"));
  preview.setShowImage(Picture(QSize(64, 48), Qt::yellow));
  TCImageWindow* window = preview.window();
  int code = 0;
  bool ended = false;
  ModalRunner::beginModalForWindow(window, [&](int result) {
    code = result;
    ended = true;
  });
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_TRUE(ModalRunner::isRunning(window));
  window->close();
  EXPECT_TRUE(preview.isClosed());
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }));
  EXPECT_EQ(code, kModalResponseStop);
  EXPECT_FALSE(window->isVisible());
  ModalRunner::ResetForTests();
}

}  // namespace
}  // namespace quellsy::ui
