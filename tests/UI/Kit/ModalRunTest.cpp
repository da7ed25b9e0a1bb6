// Modal runs: a sheet hangs below its window's bar and follows the window, a second sheet waits for the
// first, one window's handler ends another's run and runs the next inside it, alerts answer 1, 0 and -1 (to
// clicks from a script and to Return), a window that goes away ends its run, and the fades: in on the first
// show, a close request fading out and then closing and ending the run, a close during the fade-in, the close
// button at once.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/WindowFade.h"

namespace quellsy::ui {
namespace {

class ModalRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    ModalRunner::ResetForTests();
    parent_.move(100, 100);
    parent_.setTitleBarHeight(50);
    parent_.show();
    parent_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent_));
  }
  void TearDown() override { ModalRunner::ResetForTests(); }

  TCImageWindow parent_{QSize(600, 400)};
};

TEST_F(ModalRuns, SheetHangsBelowTheBarFollowsTheWindowAndBlocksIt) {
  auto* parentButton = new QPushButton(QStringLiteral("Behind"), parent_.contentView());
  parentButton->setGeometry(400, 300, 80, 30);
  parentButton->show();
  QSignalSpy behind(parentButton, &QPushButton::clicked);

  auto* sheet = new TCImageWindow(QSize(200, 120));
  std::vector<int> answers;
  ModalRunner::beginSheet(sheet, &parent_, [&](int code) { answers.push_back(code); });
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
  // Centred across the 600-wide window, its top at the 50-point bar's lower edge.
  EXPECT_EQ(sheet->pos(), QPoint(100 + 200, 100 + 50));
  EXPECT_EQ(ModalRunner::attachedSheet(&parent_), sheet);
  EXPECT_EQ(ModalRunner::modalWindow(), sheet);

  parent_.move(160, 130);
  EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->pos() == QPoint(160 + 200, 130 + 50); }));
  parent_.setTitleBarHeight(30);
  parent_.resize(800, 400);
  EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->pos() == QPoint(160 + 300, 130 + 30); }));

  // Through the window system, as a person's click comes: the window under a sheet takes no input.
  const QPoint onButton = parentButton->mapTo(&parent_, QPoint(40, 15));
  QTest::mouseClick(parent_.windowHandle(), Qt::LeftButton, {}, onButton);
  EXPECT_EQ(behind.count(), 0);

  EXPECT_TRUE(ModalRunner::endRun(sheet, 7));
  EXPECT_EQ(answers, std::vector<int>{7});
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_EQ(ModalRunner::depth(), 0);
  QTest::mouseClick(parent_.windowHandle(), Qt::LeftButton, {}, onButton);
  EXPECT_EQ(behind.count(), 1);
  EXPECT_FALSE(ModalRunner::endRun(sheet, 8));
}

TEST_F(ModalRuns, ASecondSheetWaitsForTheFirst) {
  auto* first = new TCImageWindow(QSize(200, 100));
  auto* second = new TCImageWindow(QSize(300, 150));
  std::vector<int> answers;
  ModalRunner::beginSheet(first, &parent_, [&](int code) { answers.push_back(code); });
  ModalRunner::beginSheet(second, &parent_, [&](int code) { answers.push_back(10 + code); });
  EXPECT_EQ(ModalRunner::attachedSheet(&parent_), first);
  EXPECT_FALSE(second->isVisible());
  ModalRunner::stopModal(1);
  EXPECT_EQ(answers, std::vector<int>{1});
  EXPECT_EQ(ModalRunner::attachedSheet(&parent_), second);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(second));
  EXPECT_EQ(second->pos(), QPoint(100 + 150, 100 + 50));
  ModalRunner::stopModal();
  EXPECT_EQ(answers, (std::vector<int>{1, 10 + kModalResponseStop}));
}

TEST_F(ModalRuns, OneWindowEndsAnothersRunAndRunsTheNext) {
  // The progress window runs application-modal; inside its run a notification handler ends that run and runs
  // the end window, which a person answers. The first run returns only after the second, with its own code.
  TCImageWindow progress(QSize(300, 120));
  std::vector<std::string> events;
  int endAnswer = 0;
  std::unique_ptr<AlertPanel> end;
  ModalRunner::setRunObserver([&](QWidget* window) {
    if (window == &progress) {
      events.push_back("progress shown");
      ModalRunner::stopModal(5);
      end.reset(AlertPanel::alertWithMessageText("Recovery complete", "OK", QString(), QString(), QString()));
      endAnswer = end->runModal();
      events.push_back("end answered");
    } else if (window == end.get()) {
      events.push_back("end shown");
      EXPECT_EQ(ModalRunner::modalWindow(), end.get());
      QTest::mouseClick(end->button(AlertPanel::kDefaultReturn), Qt::LeftButton);
    }
  });
  const int progressAnswer = ModalRunner::runModalForWindow(&progress);
  events.push_back("progress returned");
  EXPECT_EQ(progressAnswer, 5);
  EXPECT_EQ(endAnswer, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"progress shown", "end shown", "end answered", "progress returned"}));
  EXPECT_EQ(ModalRunner::depth(), 0);
  EXPECT_FALSE(progress.isVisible());
}

struct AlertCase {
  int code;
  const char* button;
};

class AlertAnswers : public ModalRuns, public ::testing::WithParamInterface<AlertCase> {};

TEST_P(AlertAnswers, ModalAndAsASheet) {
  const AlertCase c = GetParam();
  AlertPanel modal("Stop the scan?", "Stop", "Continue", "Help", "The files found so far are kept.");
  ModalRunner::setRunObserver([&](QWidget* window) {
    auto* alert = qobject_cast<AlertPanel*>(window);
    ASSERT_NE(alert, nullptr);
    QTest::mouseClick(alert->findChild<QPushButton*>(QString::fromLatin1(c.button)), Qt::LeftButton);
  });
  EXPECT_EQ(modal.runModal(), c.code);

  auto* sheet = AlertPanel::alertWithMessageText("Stop the scan?", "Stop", "Continue", "Help", "Kept.");
  QPointer<AlertPanel> alive(sheet);
  std::vector<int> answers;
  sheet->beginSheetModalForWindow(&parent_, [&](int code) { answers.push_back(code); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return answers.size() == 1; }));
  EXPECT_EQ(answers, std::vector<int>{c.code});
  EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }));  // a sheet alert goes once answered
}

INSTANTIATE_TEST_SUITE_P(Buttons, AlertAnswers,
                         ::testing::Values(AlertCase{1, "alertDefaultButton"}, AlertCase{0, "alertAlternateButton"},
                                           AlertCase{-1, "alertOtherButton"}));

TEST_F(ModalRuns, AlertButtonsTextsAndReturnKey) {
  AlertPanel alert("The usb device is detatched!", QString(), QString(), QString(), QString());
  EXPECT_EQ(alert.button(AlertPanel::kDefaultReturn)->text(), QStringLiteral("OK"));
  EXPECT_EQ(alert.button(AlertPanel::kAlternateReturn), nullptr);
  EXPECT_EQ(alert.button(AlertPanel::kOtherReturn), nullptr);
  EXPECT_EQ(alert.messageText(), QStringLiteral("The usb device is detatched!"));
  EXPECT_EQ(alert.width(), AlertPanel::kWidth);
  ModalRunner::setRunObserver([](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
  EXPECT_EQ(alert.runModal(), AlertPanel::kDefaultReturn);

  // A long informative text wraps: nothing of it is cut off.
  const QString longText = QString(QStringLiteral("The chosen folder lies on the device being scanned. ")).repeated(6);
  AlertPanel wrapped("Choose another folder?", "Choose", "Recover anyway", QString(), longText);
  auto* informative = wrapped.findChild<QLabel*>(QStringLiteral("alertInformativeText"));
  wrapped.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wrapped));
  EXPECT_GE(informative->height(), informative->heightForWidth(informative->width()));
  EXPECT_LE(informative->geometry().bottom(), wrapped.height());

  // Long button titles widen the panel rather than lose letters.
  AlertPanel wide("Choose another folder?", "Choose Another Folder", "Recover Anyway, Overwriting", "Help Me Decide",
                  longText);
  wide.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wide));
  EXPECT_GT(wide.width(), AlertPanel::kWidth);
  for (int code : {1, 0, -1}) {
    QPushButton* button = wide.button(code);
    EXPECT_GE(button->width(), button->sizeHint().width()) << code;
    EXPECT_TRUE(wide.rect().contains(button->geometry())) << code;
  }
}

TEST_F(ModalRuns, AWindowThatGoesEndsItsRun) {
  auto* sheet = new TCImageWindow(QSize(200, 100));
  std::vector<int> answers;
  ModalRunner::beginSheet(sheet, &parent_, [&](int code) { answers.push_back(code); });
  delete sheet;
  EXPECT_EQ(answers, std::vector<int>{kModalResponseAbort});
  EXPECT_EQ(ModalRunner::depth(), 0);
}

// ---- Fades --------------------------------------------------------------------------------------------------

TEST_F(ModalRuns, FadeInThenACloseRequestFadesOutClosesAndEndsTheRun) {
  TCImageWindow window(QSize(300, 150));
  auto* fade = new WindowFade(&window, 20);
  int fadedOut = 0;
  fade->setFadedOut([&] { ++fadedOut; });
  std::vector<int> answers;
  ModalRunner::beginModalForWindow(&window, [&](int code) { answers.push_back(code); });
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kFadingIn);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fade->phase() == WindowFade::Phase::kShown; }));
  EXPECT_DOUBLE_EQ(fade->opacity(), 1.0);

  EXPECT_FALSE(window.close());  // refused: it fades out first
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kFadingOut);
  EXPECT_TRUE(answers.empty());
  window.close();  // a second request changes nothing
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kClosed);
  EXPECT_EQ(answers, std::vector<int>{kModalResponseStop});
  EXPECT_EQ(fadedOut, 1);
  EXPECT_DOUBLE_EQ(fade->opacity(), 0.0);
}

TEST_F(ModalRuns, ACloseDuringTheFadeInTurnsItRound) {
  TCImageWindow window(QSize(300, 150));
  // A fade-in far longer than the test: the close comes while it is still near the start.
  auto* fade = new WindowFade(&window, 600000);
  std::vector<int> answers;
  ModalRunner::beginModalForWindow(&window, [&](int code) { answers.push_back(code); });
  ASSERT_EQ(fade->phase(), WindowFade::Phase::kFadingIn);
  window.close();
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kFadingOut);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 60000));
  EXPECT_EQ(answers, std::vector<int>{kModalResponseStop});
  // Shown again, it fades in anew.
  window.show();
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kFadingIn);
}

TEST_F(ModalRuns, TheCloseButtonClosesAtOnce) {
  TCImageWindow window(QSize(300, 150));
  auto* fade = new WindowFade(&window, 600000);
  const int code = [&] {
    ModalRunner::setRunObserver([&](QWidget*) {
      QTest::mouseClick(window.standardWindowButton(WindowButtonKind::kClose), Qt::LeftButton);
      EXPECT_FALSE(window.isVisible());  // no fade
    });
    return ModalRunner::runModalForWindow(&window);
  }();
  EXPECT_EQ(code, kModalResponseStop);
  EXPECT_EQ(fade->phase(), WindowFade::Phase::kClosed);
}

}  // namespace
}  // namespace quellsy::ui
