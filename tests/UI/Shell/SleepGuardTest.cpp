// The display-sleep guard against a stand-in for systemd-logind on a private D-Bus bus the test starts: the
// "idle" lock is asked for with our reason, held as the descriptor logind hands out, and given back by closing it.

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>

#include "UI/Shell/DisplaySleepGuard.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

// logind's Inhibit: records what it was asked and hands out one end of a pipe; the lock is released once every
// copy of that end is closed, which the other end sees as a hang-up.
class FakeLogind : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  ~FakeLogind() override {
    if (held_ >= 0) close(held_);
  }

  QStringList asked;
  bool Asked() const { return !asked.isEmpty(); }
  bool Released() const {
    pollfd end{held_, POLLIN, 0};
    return held_ >= 0 && poll(&end, 1, 0) == 1 && (end.revents & POLLHUP) != 0;
  }

 public slots:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    asked = {what, who, why, mode};
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    held_ = ends[0];
    QDBusUnixFileDescriptor handed(ends[1]);  // a copy of its own
    close(ends[1]);
    return handed;
  }

 private:
  int held_ = -1;
};

// A message bus of the test's own, on a socket in a private folder.
class PrivateBus {
 public:
  bool Start(const std::filesystem::path& folder) {
    const std::filesystem::path config = folder / "bus.conf";
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>session</type><listen>unix:dir="
                          << folder.string()
                          << "</listen><auth>EXTERNAL</auth>"
                             "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                             "</policy></busconfig>\n";
    daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=%1").arg(QString::fromStdString(config.string())),
                                                  QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted()) return false;
    return QTest::qWaitFor([&] {
      address_ += QString::fromUtf8(daemon_.readAllStandardOutput());
      return address_.contains(QLatin1Char('\n'));
    });
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.kill();
    daemon_.waitForFinished();
  }

  QDBusConnection Connect(const QString& name) {
    names_ << name;
    return QDBusConnection::connectToBus(address_.trimmed(), name);
  }

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

class SleepGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
      GTEST_SKIP() << "dbus-daemon is not installed: there is no D-Bus to ask for the lock";
    ASSERT_TRUE(bus_.Start(dir_.path()));
  }

  test::TempDir dir_;
  PrivateBus bus_;
};

TEST_F(SleepGuardTest, TheIdleLockIsTakenWithOurReasonAndGivenBack) {
  QDBusConnection logindSide = bus_.Connect(QStringLiteral("fake-logind"));
  ASSERT_TRUE(logindSide.isConnected());
  FakeLogind logind;
  ASSERT_TRUE(logindSide.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                        QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(logindSide.registerService(QStringLiteral("org.freedesktop.login1")));

  {
    DisplaySleepGuard guard(bus_.Connect(QStringLiteral("guard")));
    bool answered = false;
    QObject::connect(&guard, &DisplaySleepGuard::answered, [&] { answered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }));
    ASSERT_EQ(logind.asked.size(), 4);
    EXPECT_EQ(logind.asked[0], QStringLiteral("idle"));
    EXPECT_FALSE(logind.asked[1].isEmpty());
    EXPECT_EQ(logind.asked[2], QStringLiteral("Quellsy is running"));
    EXPECT_EQ(logind.asked[3], QStringLiteral("block"));
    EXPECT_TRUE(guard.isHeld());
    EXPECT_FALSE(logind.Released());

    guard.release();
    EXPECT_FALSE(guard.isHeld());
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Released(); }));
  }
}

TEST_F(SleepGuardTest, TheLockGoesWithTheGuardAndALateAnswerToAReleasedGuardIsDropped) {
  QDBusConnection logindSide = bus_.Connect(QStringLiteral("fake-logind"));
  FakeLogind logind;
  ASSERT_TRUE(logindSide.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                        QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(logindSide.registerService(QStringLiteral("org.freedesktop.login1")));
  {
    DisplaySleepGuard guard(bus_.Connect(QStringLiteral("guard")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isHeld(); }));
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Released(); }));

  // Released before logind answered: the lock it hands out is let go at once.
  FakeLogind second;
  logindSide.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
  ASSERT_TRUE(logindSide.registerObject(QStringLiteral("/org/freedesktop/login1"), &second,
                                        QDBusConnection::ExportAllSlots));
  DisplaySleepGuard guard(bus_.Connect(QStringLiteral("guard-2")));
  bool answered = false;
  QObject::connect(&guard, &DisplaySleepGuard::answered, [&] { answered = true; });
  guard.release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }));
  EXPECT_FALSE(guard.isHeld());
  EXPECT_TRUE(QTest::qWaitFor([&] { return second.Released(); }));
}

TEST_F(SleepGuardTest, WithoutLogindOrABusTheProgramRunsWithoutTheLock) {
  DisplaySleepGuard guard(bus_.Connect(QStringLiteral("lonely")));
  bool answered = false;
  QObject::connect(&guard, &DisplaySleepGuard::answered, [&] { answered = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }));
  EXPECT_FALSE(guard.isHeld());

  DisplaySleepGuard noBus(QDBusConnection(QStringLiteral("never connected")));
  EXPECT_FALSE(noBus.isHeld());
  guard.release();
}

}  // namespace
}  // namespace quellsy::ui

#include "SleepGuardTest.moc"
