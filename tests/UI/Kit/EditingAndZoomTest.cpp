// The editing keys reach the focused control ahead of the application's shortcuts, other keys pass on; and
// the zoom window's still of a window that was never shown and its resize time.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "UI/Kit/EditingShortcuts.h"
#include "UI/Kit/ZoomWindow.h"

namespace quellsy::ui {
namespace {

// A window whose own Ctrl+C and Ctrl+Z actions would take the keys if nothing routed them.
class EditingKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    EditingShortcuts::Install();
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(edit_);
    layout->addWidget(plain_);
    plain_->setFocusPolicy(Qt::StrongFocus);
    copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    window_.addAction(copyAction_);
    window_.addAction(undoAction_);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    edit_->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == edit_; }));
  }
  QWidget window_;
  QLineEdit* edit_ = new QLineEdit(QStringLiteral("recovered"));
  QLabel* plain_ = new QLabel(QStringLiteral("no editing here"));
  QAction* copyAction_ = new QAction(&window_);
  QAction* undoAction_ = new QAction(&window_);
  QSignalSpy copies_{copyAction_, &QAction::triggered};
  QSignalSpy undos_{undoAction_, &QAction::triggered};
};

TEST_F(EditingKeys, CtrlCInALineEditCopies) {
  QApplication::clipboard()->setText(QStringLiteral("before"));
  edit_->selectAll();
  QTest::keyClick(edit_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("recovered"));
  EXPECT_EQ(copies_.count(), 0);
}

TEST_F(EditingKeys, CutPasteSelectAllUndoRedo) {
  edit_->setSelection(0, 4);  // "reco"
  QTest::keyClick(edit_, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit_->text(), QStringLiteral("vered"));
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("reco"));
  edit_->setCursorPosition(5);
  QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_->text(), QStringLiteral("veredreco"));
  QTest::keyClick(edit_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(edit_->text(), QStringLiteral("vered"));
  EXPECT_EQ(undos_.count(), 0);
  QTest::keyClick(edit_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(edit_->text(), QStringLiteral("veredreco"));
  QTest::keyClick(edit_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit_->selectedText(), QStringLiteral("veredreco"));
}

TEST_F(EditingKeys, OtherKeysAndUnhandledOnesPassOn) {
  // Shift+Z types the letter.
  edit_->setCursorPosition(edit_->text().size());
  QTest::keyClick(edit_, 'Z', Qt::ShiftModifier);
  EXPECT_EQ(edit_->text(), QStringLiteral("recoveredZ"));
  // A control without an undo of its own: the window's own Ctrl+Z action gets the key.
  plain_->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == plain_; }));
  QTest::keyClick(plain_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(undos_.count(), 1);
}

TEST(EditingKeyTable, RoutedCombinations) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* action;  // null: not routed
  };
  const Case cases[] = {{Qt::Key_X, Qt::ControlModifier, "cut"},
                        {Qt::Key_C, Qt::ControlModifier | Qt::KeypadModifier, "copy"},
                        {Qt::Key_V, Qt::ControlModifier, "paste"},
                        {Qt::Key_Z, Qt::ControlModifier, "undo"},
                        {Qt::Key_A, Qt::ControlModifier, "selectAll"},
                        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "redo"},
                        {Qt::Key_X, Qt::ControlModifier | Qt::AltModifier, nullptr},
                        {Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, nullptr},
                        {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier, nullptr},
                        {Qt::Key_Z, Qt::ShiftModifier, nullptr},
                        {Qt::Key_B, Qt::ControlModifier, nullptr}};
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
    const auto action = EditingShortcuts::ActionFor(event);
    if (c.action)
      EXPECT_EQ(action.value_or(""), std::string(c.action)) << c.key;
    else
      EXPECT_FALSE(action.has_value()) << c.key;
  }
}

TEST(Zoom, StillOfANeverShownWindowAndResizeTime) {
  QWidget window;
  window.resize(120, 80);
  window.setAutoFillBackground(true);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(0x35, 0x82, 0xf8));
  window.setPalette(palette);
  const auto zoom = createZoomWindowWithRect(&window, QRect(300, 200, 240, 160));
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(zoom->isVisible());
  EXPECT_EQ(zoom->geometry(), QRect(300, 200, 240, 160));
  EXPECT_DOUBLE_EQ(zoom->animationTimeMultiplier(), static_cast<double>(0.3));
  const QImage still = zoom->snapshotView()->pixmap().toImage();
  EXPECT_EQ(still.size(), QSize(120, 80) * still.devicePixelRatio());
  EXPECT_EQ(QColor(still.pixel(60, 40)).name(), QStringLiteral("#3582f8"));
  // The still stretches with the window.
  zoom->show();
  EXPECT_EQ(zoom->snapshotView()->geometry(), QRect(0, 0, 240, 160));
  const QImage shown = zoom->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(230, 150)).name(), QStringLiteral("#3582f8"));
  // Moving the right edge 150 points: 0.2 s plain, times 0.3 (single precision).
  EXPECT_NEAR(zoom->animationResizeTime(QRect(300, 200, 390, 160)), 0.2 * 0.3, 1e-6);
  ZoomWindow unset(QRect(0, 0, 10, 10));
  EXPECT_EQ(unset.animationResizeTime(QRect(0, 0, 500, 500)), 0.0);
}

TEST(Zoom, FadeInEndsOpaque) {
  QWidget window;
  window.resize(50, 50);
  fadeIn(&window, 10);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowOpacity() == 1.0; }));
}

}  // namespace
}  // namespace quellsy::ui
