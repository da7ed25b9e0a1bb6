#include "UI/Shell/DisplaySleepGuard.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "Utility/CatchExeception.h"

namespace quellsy::ui {

// The name users know the program by, as its windows show it.
constexpr const char* kShownName = "Quellsy";

QString DisplaySleepGuard::Reason() { return QStringLiteral("%1 is running").arg(QLatin1String(kShownName)); }

DisplaySleepGuard::DisplaySleepGuard(const QDBusConnection& bus, QObject* parent) : QObject(parent) {
  if (!bus.isConnected()) {
    CatchExeception::WriteLog("no system bus: the display may sleep while a scan runs\r\n");
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                     QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("Inhibit"));
  const QString who = QCoreApplication::applicationName().isEmpty() ? QString::fromLatin1(kShownName)
                                                                     : QCoreApplication::applicationName();
  call << QString::fromLatin1(kWhat) << who << Reason() << QString::fromLatin1(kMode);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pending) {
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *pending;
    pending->deleteLater();
    if (reply.isError()) {
      CatchExeception::WriteLog("logind holds no idle lock for us: %s\r\n", qPrintable(reply.error().message()));
    } else if (!released_) {
      lock_ = reply.value();
    }
    emit answered(isHeld());
  });
}

DisplaySleepGuard::~DisplaySleepGuard() { release(); }

void DisplaySleepGuard::release() {
  released_ = true;
  // Closing our copy of the descriptor ends the lock.
  lock_ = QDBusUnixFileDescriptor();
}

}  // namespace quellsy::ui
