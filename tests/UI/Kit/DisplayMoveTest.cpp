// A person's press-drag in the bar of a custom window on a real X server, the pointer driven through the
// server (xdotool): with a window manager the window manager moves the window, without one the bar follows
// the pointer itself; either way the window ends where the pointer took it. The server's own answer (xwininfo)
// says where the window is during the drag. Run twice by CTest, with
// QUELLSY_TEST_WINDOW_MANAGER=openbox and =none (support/qt/XServerApplication.cpp).

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "UI/Kit/JBTitlebarContainer.h"
#include "UI/Kit/TCImageWindow.h"

namespace quellsy::ui {
namespace {

bool WithWindowManager() {
  const char* manager = std::getenv("QUELLSY_TEST_WINDOW_MANAGER");
  return manager && *manager && std::string(manager) != "none";
}

// Runs xdotool with arguments and waits for it, the events going on meanwhile.
bool Pointer(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  if (!xdotool.waitForStarted()) return false;
  if (!QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 30000)) return false;
  return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

// Where the X server has the window now (a window manager reports a move to the client only when it ends).
QPoint ServerPosition(const QWidget& window) {
  QProcess xwininfo;
  xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window.winId())});
  if (!xwininfo.waitForFinished()) return QPoint(-1, -1);
  QPoint at(-1, -1);
  for (const QString& line : QString::fromLocal8Bit(xwininfo.readAllStandardOutput()).split('\n')) {
    const QString text = line.trimmed();
    if (text.startsWith(QStringLiteral("Absolute upper-left X:"))) at.setX(text.section(':', 1).trimmed().toInt());
    if (text.startsWith(QStringLiteral("Absolute upper-left Y:"))) at.setY(text.section(':', 1).trimmed().toInt());
  }
  return at;
}

bool PointerTo(QPoint global) {
  return Pointer({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

TEST(DisplayMove, DragInTheBarMovesTheWindow) {
  TCImageWindow window(QSize(400, 300));
  window.setTitleBarHeight(50);
  window.move(100, 100);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const QPoint start = window.pos();
  const QPoint delta(120, 80);
  const QPoint press = window.mapToGlobal(QPoint(200, 25));

  ASSERT_TRUE(PointerTo(press)) << "xdotool is needed to drive the pointer";
  ASSERT_TRUE(Pointer({QStringLiteral("mousedown"), QStringLiteral("1")}));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.titleBarContainer()->lastMoveKind() != JBTitlebarContainer::MoveKind::kNone; }));
  EXPECT_EQ(window.titleBarContainer()->lastMoveKind(), WithWindowManager() ? JBTitlebarContainer::MoveKind::kSystem
                                                                            : JBTitlebarContainer::MoveKind::kFollowed);
  // The window manager takes the pointer once it has read the request: the pointer moves until the server has
  // the window where it took it (each move is waited on), ending exactly at the target.
  ASSERT_EQ(ServerPosition(window), start);
  const QPoint target = press + delta;
  bool moved = false;
  for (int attempt = 0; attempt < 20 && !moved; ++attempt) {
    ASSERT_TRUE(PointerTo(target + QPoint(1, 0)));
    ASSERT_TRUE(PointerTo(target));
    moved = QTest::qWaitFor([&] { return ServerPosition(window) == start + delta; }, 1000);
  }
  ASSERT_TRUE(Pointer({QStringLiteral("mouseup"), QStringLiteral("1")}));
  EXPECT_TRUE(moved) << "the window is at " << ServerPosition(window).x() << "," << ServerPosition(window).y();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.pos() == start + delta; }));
}

}  // namespace
}  // namespace quellsy::ui
