// The update check: when it is due, how the served property list reads, the update window's four views chosen by
// what a loop-back HTTP server answers (late answers count as none), its list of new features, and the check at
// launch deciding between the update window and the main window.

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Fonts.h"
#include "UI/Shell/KDAppDelegate.h"
#include "UI/Shell/KDCheckUpdateWindowController.h"
#include "LoopbackHttpServer.h"
#include "ShellFixture.h"

namespace quellsy::ui {
namespace {

using View = KDCheckUpdateWindowController::View;
using test::LoopbackHttpServer;

QByteArray Plist(const QByteArray& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
}

TEST(UpdateCheck, ItIsDueAfterSevenWholeDaysOrWithoutAUsableTime) {
  const QDateTime now(QDate(2024, 6, 10), QTime(12, 0, 0));
  const struct {
    std::optional<std::string> stored;
    bool due;
  } cases[] = {
      {std::nullopt, true},                    // never checked
      {"", true},
      {" ", true},
      {"10.06.2024 12:00", true},              // not the stored form
      {"2024-06-03 12:00:00", true},           // seven days
      {"2024-05-01 08:30:00", true},
      {"2024-06-03 12:00:01", false},          // six days, 23 hours, 59 minutes and 59 seconds
      {"2024-06-03 13:00:00", false},          // six days and 23 hours
      {"2024-06-10 11:59:59", false},
      {"2024-06-10 13:00:00", false},          // an hour ahead: a clock set a little differently
      {"2024-06-12 12:00:00", true},           // days ahead: a clock once set wrong
  };
  for (const auto& c : cases)
    EXPECT_EQ(KDAppDelegate::IsUpdateCheckDue(c.stored, now), c.due) << c.stored.value_or("(none)");
}

TEST(UpdateCheck, TheServedListReadsItsBuildNumberVersionAndFeatures) {
  using Features = std::vector<std::pair<int, QString>>;
  const struct {
    QByteArray entries;
    std::int32_t versionCheck;
    const char* version;
    Features features;
  } cases[] = {
      {"<key>VersionCheck</key><integer>7</integer><key>Version</key><string>2.1</string>"
       "<key>2</key><string>Second</string><key>1</key><string>First</string>",
       7, "2.1", {{1, "First"}, {2, "Second"}}},
      {"<key>VersionCheck</key><string>12</string>", 12, "", {}},
      {"<key>VersionCheck</key><string>  -3 builds</string>", -3, "", {}},
      {"<key>VersionCheck</key><string>build 9</string>", 0, "", {}},
      {"<key>VersionCheck</key><integer>99999999999</integer>", 2147483647, "", {}},
      {"<key>VersionCheck</key><integer>-99999999999</integer>", -2147483648, "", {}},
      {"<key>VersionCheck</key><true/>", 0, "", {}},
      {"<key>Version</key><string>3</string><key>1</key><string>Only</string>", 0, "3", {{1, "Only"}}},
      // Two features counted, "1" and "3": the second is missing and "3" lies beyond the count.
      {"<key>VersionCheck</key><integer>8</integer><key>1</key><string>A</string><key>3</key><string>C</string>",
       8, "", {{1, "A"}}},
      {"<key>VersionCheck</key><integer>8</integer><key>1</key><integer>5</integer><key>2</key><string>B</string>",
       8, "", {{2, "B"}}},
  };
  for (const auto& c : cases) {
    const auto list = ParseUpdateVersionList(Plist(c.entries));
    ASSERT_TRUE(list) << c.entries.toStdString();
    EXPECT_EQ(list->versionCheck, c.versionCheck) << c.entries.toStdString();
    EXPECT_EQ(list->version, QString::fromLatin1(c.version));
    EXPECT_EQ(list->features, c.features) << c.entries.toStdString();
  }
  for (const QByteArray& unreadable :
       {QByteArray(), QByteArray("<html>Not found</html>"), QByteArray("<plist><array><string>x</string></array></plist>"),
        QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>VersionCheck</key>")})
    EXPECT_FALSE(ParseUpdateVersionList(unreadable)) << unreadable.toStdString();
}

class UpdateWindowTest : public test::ShellFixture {
 protected:
  static constexpr int kLocalBuild = 5;
  // Short, so that a late server is found out quickly; the program's own is five seconds.
  static constexpr int kTestTimeoutMs = 400;

  void SetUp() override {
    ShellFixture::SetUp();
    server_.Serve(QStringLiteral("/probe"), {200, "yes", 0});
    WriteLinks(server_.Url(QStringLiteral("/probe")));
  }

  void WriteLinks(const QUrl& probe) {
    WriteInstalled(kLocalBuild, {{"en",
                                  {{"IniURL", server_.Url(QStringLiteral("/version.plist")).toString().toStdString()},
                                   {"NetworkCheckURL", probe.toString().toStdString()},
                                   {"UpdateURL", "https://example.org/download"}}}});
  }

  // A window that has checked: the view it shows.
  View Check(KDCheckUpdateWindowController& update) {
    bool checked = false;
    QObject::connect(&update, &KDCheckUpdateWindowController::checked, [&] { checked = true; });
    update.getVersionChange();
    EXPECT_EQ(update.visibleView(), View::kChecking);
    EXPECT_TRUE(QTest::qWaitFor([&] { return checked; }));
    return update.visibleView();
  }

  static bool Shows(const KDCheckUpdateWindowController& update, const char* view) {
    const auto* widget = update.window()->findChild<QWidget*>(QString::fromLatin1(view));
    return widget && !widget->isHidden();
  }

  LoopbackHttpServer server_;
};

TEST_F(UpdateWindowTest, TheServersAnswerChoosesTheView) {
  const struct {
    const char* name;
    bool network;
    LoopbackHttpServer::Answer list;
    View view;
    const char* shown;
  } cases[] = {
      {"no network", false, {}, View::kNoNetwork, "noNetworkView"},
      {"same build", true, {200, Plist("<key>VersionCheck</key><integer>5</integer>"), 0}, View::kNoUpdate,
       "noUpdateView"},
      {"older build", true, {200, Plist("<key>VersionCheck</key><integer>4</integer>"), 0}, View::kNoUpdate,
       "noUpdateView"},
      {"newer build", true,
       {200, Plist("<key>VersionCheck</key><integer>6</integer><key>Version</key><string>2.1</string>"), 0},
       View::kHaveUpdate, "haveUpdateView"},
      {"build as text", true, {200, Plist("<key>VersionCheck</key><string>6</string>"), 0}, View::kHaveUpdate,
       "haveUpdateView"},
      // A list that cannot be read is no news of the newest version: the check failed.
      {"malformed list", true, {200, "<plist><dict><key>VersionCheck", 0}, View::kNoNetwork, "noNetworkView"},
      {"missing list", true, {404, "gone", 0}, View::kNoNetwork, "noNetworkView"},
      {"answer after six seconds", true,
       {200, Plist("<key>VersionCheck</key><integer>6</integer>"), 6000}, View::kNoNetwork, "noNetworkView"},
      {"list without a build number", true, {200, Plist("<key>Version</key><string>9</string>"), 0}, View::kNoUpdate,
       "noUpdateView"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Serve(QStringLiteral("/version.plist"), c.list);
    WriteLinks(c.network ? server_.Url(QStringLiteral("/probe")) : LoopbackHttpServer::ClosedUrl());
    const int asked = server_.Requests(QStringLiteral("/version.plist"));
    auto* update = new KDCheckUpdateWindowController(kTestTimeoutMs);
    std::unique_ptr<TCImageWindow> window(update->window());
    EXPECT_TRUE(Shows(*update, "checkProgressView"));
    EXPECT_EQ(Check(*update), c.view);
    for (const char* view : {"checkProgressView", "noNetworkView", "noUpdateView", "haveUpdateView"})
      EXPECT_EQ(Shows(*update, view), std::string(view) == c.shown) << view;
    // Without a network the list is not asked for.
    EXPECT_EQ(server_.Requests(QStringLiteral("/version.plist")) - asked, c.network ? 1 : 0);
  }
}

TEST_F(UpdateWindowTest, TheNewVersionListsItsFeaturesInOrderAtLeastOneRowHighEach) {
  const QString longText = QStringLiteral(
      "Complete scans of disks with 4096-byte sectors now find NTFS volumes from their log pages, and the results "
      "window keeps its place while new files arrive during a long scan of a large disk");
  auto& update = *new KDCheckUpdateWindowController;  // a child of its window
  std::unique_ptr<TCImageWindow> window(update.window());
  update.whatIsNewVersionDiff(UpdateVersionList{9, QStringLiteral("2.1"), {{1, QStringLiteral("Faster")}, {2, longText}}});
  ASSERT_EQ(update.visibleView(), View::kHaveUpdate);
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("titleLable"))->text(),
            QStringLiteral("Quellsy 2.1 has been released."));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
            QStringLiteral("New features of Version 2.1:"));
  const auto* first = window->findChild<QLabel*>(QStringLiteral("feature1"));
  const auto* second = window->findChild<QLabel*>(QStringLiteral("feature2"));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->text(), QStringLiteral("1.Faster"));
  EXPECT_EQ(second->text(), QStringLiteral("2.") + longText);
  EXPECT_EQ(second->toolTip(), longText);
  // The short text gets the least row; the long one wraps at the measuring width into a taller one.
  const double measured = KDCheckUpdateWindowController::heightForStringDrawing(longText, SystemFont(10), 200);
  EXPECT_GT(measured, 3 * QFontMetricsF(SystemFont(10)).height());
  EXPECT_EQ(first->height(), 25);
  EXPECT_EQ(second->height(), static_cast<int>(std::round(measured)));
  // The first stands at the top of the list, the second right under it.
  EXPECT_EQ(first->y(), 0);
  EXPECT_EQ(second->y(), 25);
  const auto* list = window->findChild<QWidget*>(QStringLiteral("showVersionScrollView"));
  EXPECT_EQ(list->height(), static_cast<int>(std::ceil(30 + measured)));

  // Only the build and the version: the new version with an empty list of the least height.
  update.whatIsNewVersionDiff(UpdateVersionList{9, QStringLiteral("2.2"), {}});
  EXPECT_EQ(update.visibleView(), View::kHaveUpdate);
  list = window->findChild<QWidget*>(QStringLiteral("showVersionScrollView"));
  EXPECT_EQ(list->height(), 99);
  EXPECT_EQ(list->findChildren<QLabel*>().size(), 0);
}

TEST_F(UpdateWindowTest, TheDownloadButtonOpensTheDownloadPageAndCloseEndsTheRun) {
  auto& update = *new KDCheckUpdateWindowController;  // a child of its window
  std::unique_ptr<TCImageWindow> window(update.window());
  int closed = 0;
  update.setDelegate([&] { ++closed; });
  update.whatIsNewVersionDiff(UpdateVersionList{9, QStringLiteral("2.1"), {}});
  int code = 0;
  bool ended = false;
  ModalRunner::beginModalForWindow(window.get(), [&](int answer) {
    code = answer;
    ended = true;
  });
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("updateButton")), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return OpenedAddress().has_value(); }));
  EXPECT_EQ(OpenedAddress(), "https://example.org/download");
  EXPECT_FALSE(ended);  // the window stays

  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, kModalResponseStop);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(window->isVisible());
}

class LaunchCheckTest : public UpdateWindowTest {
 protected:
  // The delegate at launch, at the clock's now, with a stored check time (none: never checked, stored as "").
  void Launch(const std::optional<std::string>& lastCheck) {
    backend_.writeUpDataTimeStr(lastCheck.value_or(""));
    AppDelegateOptions options = TestDelegateOptions();
    options.updateTimeoutMs = kTestTimeoutMs;
    delegate_ = std::make_unique<KDAppDelegate>(options);
    delegate_->applicationDidFinishLaunching();
  }
  // The launch has decided: the main window or the update window is up.
  bool Decided() const { return !importPaths_.empty() || ModalRunner::modalWindow() != nullptr; }
  int RootWindows() const { return static_cast<int>(importPaths_.size()); }

  std::unique_ptr<KDAppDelegate> delegate_;
};

TEST_F(LaunchCheckTest, ANewerBuildShowsTheUpdateWindowFirstAndTheMainWindowWhenItCloses) {
  server_.Serve(QStringLiteral("/version.plist"),
                {200, Plist("<key>VersionCheck</key><integer>6</integer><key>Version</key><string>2.1</string>"), 0});
  Launch("2024-06-03 12:00:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Decided(); }));
  EXPECT_EQ(RootWindows(), 0);
  ASSERT_NE(delegate_->checkUpdateWindow(), nullptr);
  EXPECT_EQ(ModalRunner::modalWindow(), delegate_->checkUpdateWindow()->window());
  EXPECT_EQ(delegate_->checkUpdateWindow()->visibleView(), View::kHaveUpdate);
  // Asked once: the window shows what the launch found.
  EXPECT_EQ(server_.Requests(QStringLiteral("/version.plist")), 1);
  // The time was stored before the answer came.
  EXPECT_EQ(backend_.getUpDataTimeStr(), "2024-06-10 12:00:00");

  delegate_->checkUpdateWindow()->closeWindowAction();
  EXPECT_EQ(RootWindows(), 1);
  EXPECT_TRUE(rootWindow_->isVisible());
  delegate_->runRootWindow();  // sent again: nothing happens
  EXPECT_EQ(RootWindows(), 1);
}

TEST_F(LaunchCheckTest, WithoutANewerReadableBuildTheMainWindowOpens) {
  const struct {
    const char* name;
    std::optional<std::string> lastCheck;
    bool network;
    LoopbackHttpServer::Answer list;
    int listRequests;
  } cases[] = {
      {"checked six days and 23 hours ago", "2024-06-03 13:00:00", true,
       {200, Plist("<key>VersionCheck</key><integer>6</integer>"), 0}, 0},
      {"same build", "2024-06-03 12:00:00", true, {200, Plist("<key>VersionCheck</key><integer>5</integer>"), 0}, 1},
      {"malformed list", "2024-06-03 12:00:00", true, {200, "VersionCheck=6", 0}, 1},
      {"answer after six seconds", "2024-06-03 12:00:00", true,
       {200, Plist("<key>VersionCheck</key><integer>6</integer>"), 6000}, 1},
      {"no network", std::nullopt, false, {200, Plist("<key>VersionCheck</key><integer>6</integer>"), 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModalRunner::ResetForTests();
    importPaths_.clear();
    server_.Serve(QStringLiteral("/version.plist"), c.list);
    WriteLinks(c.network ? server_.Url(QStringLiteral("/probe")) : LoopbackHttpServer::ClosedUrl());
    const int asked = server_.Requests(QStringLiteral("/version.plist"));
    Launch(c.lastCheck);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Decided(); }));
    EXPECT_EQ(RootWindows(), 1);
    EXPECT_EQ(ModalRunner::modalWindow(), nullptr);
    EXPECT_EQ(delegate_->checkUpdateWindow(), nullptr);
    EXPECT_EQ(server_.Requests(QStringLiteral("/version.plist")) - asked, c.listRequests);
  }
}

TEST_F(LaunchCheckTest, TheFirstLaunchTakesPartInTheStatisticsAndChecks) {
  UserDefaults::Instance().SetBool(UserDefaults::kParticipate, false);
  server_.Serve(QStringLiteral("/version.plist"), {200, Plist("<key>VersionCheck</key><integer>5</integer>"), 0});
  Launch(std::nullopt);
  EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kParticipate), true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Decided(); }));
  EXPECT_EQ(server_.Requests(QStringLiteral("/version.plist")), 1);
  EXPECT_EQ(backend_.getUpDataTimeStr(), "2024-06-10 12:00:00");
}

}  // namespace
}  // namespace quellsy::ui
