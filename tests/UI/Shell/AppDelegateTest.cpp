// The application delegate on the scripted backend: the quit while a scan or a recovery runs, media coming and
// going reaching the windows, the main window opened once with the scan-result file, the menu's titles and
// actions, the About window, and links chosen by the user's language with English behind it.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/MediaNotifier.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Shell/KDAppDelegate.h"
#include "UI/Shell/KDLinkUrl.h"
#include "ShellFixture.h"

namespace quellsy::ui {
namespace {

class AppDelegateTest : public test::ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    WriteInstalled(5, {{"en",
                        {{"AboutURL", "https://example.org/about"},
                         {"OnlineHelp", "https://example.org/help"},
                         {"SupportTeam", "https://example.org/support"},
                         {"Translate", "https://example.org/translate"}}}});
    delegate_ = std::make_unique<KDAppDelegate>(TestDelegateOptions());
  }
  // The launch, with the update check done the day before (nothing is fetched).
  void Launch() {
    backend_.writeUpDataTimeStr("2024-06-09 12:00:00");
    delegate_->applicationDidFinishLaunching();
  }
  void TearDown() override {
    delegate_.reset();
    ShellFixture::TearDown();
  }

  void StartScan() {
    const DeviceItems devices = backend_.GetDeviceInfoToArray();
    ASSERT_TRUE(backend_.DoScanWithData(devices[0]->childAtIndex(0).get(), "NormalScranValue"));
    ASSERT_TRUE(backend_.Step());
  }
  long Calls(const std::string& name) const {
    return std::count(backend_.Calls().begin(), backend_.Calls().end(), name);
  }
  static AlertPanel* Question() { return qobject_cast<AlertPanel*>(ModalRunner::modalWindow()); }
  static void Answer(int code) {
    ASSERT_NE(Question(), nullptr);
    QTest::mouseClick(Question()->button(code), Qt::LeftButton);
  }
  QAction* MenuItem(const char* name) const {
    return delegate_->applicationMenu()->findChild<QAction*>(QString::fromLatin1(name));
  }

  std::unique_ptr<KDAppDelegate> delegate_;
};

TEST_F(AppDelegateTest, QuittingDuringAScanPausesItAsksAndResumesOrStops) {
  const struct {
    bool pausedBefore;
    int answer;
  } cases[] = {{false, AlertPanel::kAlternateReturn},
               {true, AlertPanel::kAlternateReturn},
               {false, AlertPanel::kDefaultReturn},
               {true, AlertPanel::kDefaultReturn}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "paused before: " << c.pausedBefore << ", answer " << c.answer);
    backend_.StopScan(1);
    backend_.RunToEnd();
    StartScan();
    if (c.pausedBefore) backend_.PauseOrResumeScan();
    const long toggles = Calls("PauseOrResumeScan");
    const long stops = Calls("StopScan");

    EXPECT_FALSE(delegate_->applicationShouldTerminate());
    EXPECT_TRUE(backend_.IsPause());
    EXPECT_EQ(Calls("PauseOrResumeScan") - toggles, c.pausedBefore ? 0 : 1);  // never a second pause
    ASSERT_NE(Question(), nullptr);
    EXPECT_EQ(Question()->messageText(), QStringLiteral("Stop the scan?"));
    EXPECT_FALSE(delegate_->applicationShouldTerminate());  // asked again meanwhile: one question only
    EXPECT_EQ(ModalRunner::depth(), 1);

    Answer(c.answer);
    if (c.answer == AlertPanel::kAlternateReturn) {
      EXPECT_TRUE(backend_.IsScanRunning());
      EXPECT_FALSE(backend_.IsPause());  // going on
      EXPECT_FALSE(backend_.Closed());
      EXPECT_EQ(Calls("StopScan"), stops);
    } else {
      EXPECT_EQ(Calls("StopScan"), stops + 1);
      EXPECT_TRUE(backend_.Closed());
      return;  // the program has ended
    }
  }
}

TEST_F(AppDelegateTest, QuittingDuringARecoveryAsksAndLetsTheLastFileFinishBeforeTheEnd) {
  ASSERT_EQ(backend_.DoRecovery("/tmp/recovered", "DoRecovery"), kResultOk);
  EXPECT_FALSE(delegate_->applicationShouldTerminate());
  ASSERT_NE(Question(), nullptr);
  EXPECT_EQ(Question()->messageText(), QStringLiteral("Stop the recovery?"));
  Answer(AlertPanel::kAlternateReturn);
  EXPECT_TRUE(backend_.IsRecoveryRunning());
  EXPECT_EQ(Calls("StopRecvoery"), 0);

  EXPECT_FALSE(delegate_->applicationShouldTerminate());
  Answer(AlertPanel::kDefaultReturn);
  EXPECT_EQ(Calls("StopRecvoery"), 1);
  // Still finishing its file: the program waits for it.
  EXPECT_TRUE(backend_.IsRecoveryStopping());
  EXPECT_FALSE(backend_.Closed());
  ASSERT_TRUE(backend_.Step());
  EXPECT_TRUE(QTest::qWaitFor([&] { return backend_.Closed(); }));
}

TEST_F(AppDelegateTest, WithNothingRunningTheProgramEndsAtOnceAndAnnouncesTheExport) {
  QObject window;
  bool exported = false;
  ObserveNotification(&window, "ExportRSFFile", [&](const bridge::Notification&) { exported = true; });
  EXPECT_TRUE(delegate_->applicationShouldTerminate());
  EXPECT_TRUE(backend_.Closed());
  EXPECT_EQ(ModalRunner::modalWindow(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return exported; }));
}

TEST_F(AppDelegateTest, TheWindowsEndTheProgramThroughAppWillTerminate) {
  Launch();
  ASSERT_NE(delegate_->rootWindow(), nullptr);
  bridge::PostOnMainThread(bridge::Notification{"appWillTerminate", {}, {}});
  EXPECT_TRUE(QTest::qWaitFor([&] { return backend_.Closed(); }));
  EXPECT_FALSE(rootWindow_->isVisible());
}

TEST_F(AppDelegateTest, ADesktopQuitDuringAScanIsHeldForTheQuestion) {
  Launch();
  StartScan();
  QEvent quit(QEvent::Quit);
  EXPECT_TRUE(QCoreApplication::sendEvent(qApp, &quit) || !quit.isAccepted());
  ASSERT_NE(Question(), nullptr);
  EXPECT_TRUE(backend_.IsPause());
  Answer(AlertPanel::kAlternateReturn);
  EXPECT_FALSE(backend_.Closed());
}

TEST_F(AppDelegateTest, TheMainWindowOpensOnceWithTheScanResultFileToImport) {
  UserDefaults::Instance().SetString(UserDefaults::kScanResultPath, "/home/u/Card.Vortrane");
  delegate_->runRootWindow();
  delegate_->runRootWindow();
  EXPECT_EQ(importPaths_, std::vector<std::string>{"/home/u/Card.Vortrane"});
  EXPECT_EQ(delegate_->rootWindow(), rootWindow_.get());
  EXPECT_TRUE(rootWindow_->isVisible());
  // The menu's quit key works in it.
  EXPECT_TRUE(rootWindow_->actions().contains(MenuItem("exit")));
}

// One batch of media events, then nothing until stopped, as udev reports them.
class OneBatchSource final : public platform::IMediaEventSource {
 public:
  explicit OneBatchSource(std::vector<platform::MediaEvent> batch) : batch_(std::move(batch)) {}
  std::vector<platform::MediaEvent> Existing() override { return {}; }
  std::vector<platform::MediaEvent> Wait() override {
    std::unique_lock lock(lock_);
    if (!batch_.empty()) return std::exchange(batch_, {});
    stopping_.wait(lock, [&] { return stopped_; });
    return {};
  }
  void Stop() override {
    std::lock_guard lock(lock_);
    stopped_ = true;
    stopping_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable stopping_;
  std::vector<platform::MediaEvent> batch_;
  bool stopped_ = false;
};

TEST_F(AppDelegateTest, MediaComingAndGoingReachTheWindows) {
  QWidget window;
  window.setObjectName(QStringLiteral("devicePage"));
  std::vector<bridge::Notification> heard;
  for (const char* name : {"RefreshAttachDevice", "RefreshDetachDevice"})
    ObserveNotification(&window, name, [&](const bridge::Notification& notification) { heard.push_back(notification); });

  Launch();
  EXPECT_EQ(Calls("USBNotifier_init"), 1);
  backend_.AttachMedium("Cruzer Blade", "/dev/sdc", 32000000000ULL, true);
  backend_.DetachMedium("/dev/sdc");
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() == 2; }));
  const bridge::NotificationInfo arrival = {
      {"VolumeName", "Cruzer Blade"}, {"VolumePath", "/dev/sdc"}, {"VolumeSize", "32000000000"}, {"isDisk", "1"}};
  EXPECT_EQ(heard[0].name, "RefreshAttachDevice");
  EXPECT_EQ(heard[0].items, std::vector<bridge::NotificationInfo>{arrival});
  EXPECT_EQ(heard[1], (bridge::Notification{"RefreshDetachDevice", {{"USBPath", "/dev/sdc"}}, {}}));

  // The bridge's own monitor, fed as udev would feed it, reaches the window the same way.
  heard.clear();
  using platform::MediaEvent;
  ASSERT_TRUE(bridge::USBNotifier_init(std::make_unique<OneBatchSource>(std::vector<MediaEvent>{
      {MediaEvent::Action::kAdd, "/dev/sdd", false, 1048576, "BACKUP"}, {MediaEvent::Action::kRemove, "/dev/sdb1", false, 0, ""}})));
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() == 2; }));
  bridge::USBNotifier_dealloc();
  EXPECT_EQ(heard[0].items, (std::vector<bridge::NotificationInfo>{
                                {{"VolumeName", "BACKUP"}, {"VolumePath", "/dev/sdd"}, {"VolumeSize", "1048576"}, {"isDisk", "0"}}}));
  EXPECT_EQ(heard[1].info, (bridge::NotificationInfo{{"USBPath", "/dev/sdb1"}}));
}

TEST_F(AppDelegateTest, TheMenuHasItsTitlesAndItsItemsDoWhatTheySay) {
  const struct {
    const char* item;
    const char* title;
  } titles[] = {{"about", "About Quellsy"},          {"checkUpdate", "Check for updates…"},
                {"onlineHelp", "Online help"},       {"supportCenter", "Support centre"},
                {"contactPM", "Contact us"},         {"Translate", "Help translate Quellsy"},
                {"participate", "Share anonymous usage statistics"}, {"exit", "Quit Quellsy"}};
  for (const auto& t : titles) {
    ASSERT_NE(MenuItem(t.item), nullptr) << t.item;
    EXPECT_EQ(MenuItem(t.item)->text(), QString::fromUtf8(t.title)) << t.item;
    EXPECT_TRUE(MenuItem(t.item)->isEnabled()) << t.item;
  }

  UserDefaults::Instance().SetBool(UserDefaults::kParticipate, false);
  delegate_->awakeFromNib();
  EXPECT_FALSE(MenuItem("participate")->isChecked());
  for (const bool expected : {true, false}) {
    MenuItem("participate")->trigger();
    EXPECT_EQ(MenuItem("participate")->isChecked(), expected);
    UserDefaults::ResetForTests();
    EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kParticipate), expected);
  }

  const struct {
    const char* item;
    const char* address;
  } links[] = {{"Translate", "https://example.org/translate"},
               {"contactPM", "https://example.org/help"},
               {"onlineHelp", "https://example.org/help"},
               {"supportCenter", "https://example.org/support"}};
  for (const auto& link : links) {
    ForgetOpened();
    MenuItem(link.item)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return OpenedAddress().has_value(); })) << link.item;
    EXPECT_EQ(OpenedAddress(), link.address) << link.item;
  }

  StartScan();
  MenuItem("exit")->trigger();
  EXPECT_NE(Question(), nullptr);
  Answer(AlertPanel::kAlternateReturn);
}

TEST_F(AppDelegateTest, TheAboutWindowShowsTheVersionAndOpensTheProductPage) {
  MenuItem("about")->trigger();
  auto* window = qobject_cast<TCImageWindow*>(ModalRunner::modalWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->objectName(), QStringLiteral("aboutWindow"));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(), QStringLiteral("Version 2.0 (5)"));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("aboutWindowTitleLabel"))->text(), QStringLiteral("Quellsy"));
  for (const QWidget* widget : window->findChildren<QWidget*>()) {
    if (widget->objectName().startsWith(QStringLiteral("qt_"))) continue;
    EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
  }

  QTest::mouseClick(window->findChild<KDHandButton*>(QStringLiteral("aboutlink")), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return OpenedAddress().has_value(); }));
  EXPECT_EQ(OpenedAddress(), "https://example.org/about");
  EXPECT_EQ(ModalRunner::modalWindow(), window);  // the window stays

  QTest::mouseClick(window->standardWindowButton(WindowButtonKind::kClose), Qt::LeftButton);
  EXPECT_EQ(ModalRunner::modalWindow(), nullptr);
}

TEST_F(AppDelegateTest, LinksFollowTheUsersLanguageWithEnglishBehindIt) {
  WriteInstalled(5, {{"en", {{"AboutURL", "en-about"}, {"OnlineHelp", "en-help"}}},
                     {"de", {{"AboutURL", ""}, {"OnlineHelp", "de-help"}, {"Translate", "de-translate"}}}});
  const struct {
    const char* language;
    const char* key;
    std::optional<std::string> address;
  } cases[] = {
      {"de", "OnlineHelp", "de-help"},
      {"de", "AboutURL", "en-about"},        // empty in German
      {"de", "Translate", "de-translate"},   // German only
      {"de-AT", "OnlineHelp", "en-help"},    // no table for the region: English
      {"", "OnlineHelp", "en-help"},
      {"fr", "Translate", std::nullopt},     // neither French nor English has it
      {"de", "SupportTeam", std::nullopt},
  };
  for (const auto& c : cases) {
    UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {c.language});
    EXPECT_EQ(KDLinkUrl::GetUrl(c.key), c.address) << c.language << " " << c.key;
  }
  std::filesystem::remove(installed_);
  EXPECT_EQ(KDLinkUrl::GetUrl("OnlineHelp"), std::nullopt);
  EXPECT_FALSE(KDLinkUrl::OpenUrl("OnlineHelp"));
}

}  // namespace
}  // namespace quellsy::ui
