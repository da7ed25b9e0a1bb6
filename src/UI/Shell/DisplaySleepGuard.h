#pragma once
// Keeps the display from going to sleep while the program runs: an "idle" inhibitor lock taken from
// systemd-logind over D-Bus (org.freedesktop.login1.Manager.Inhibit), held as the file descriptor logind hands
// out and released by closing it. Best effort: without a system bus or logind the program runs without it. The
// call is asynchronous; the GUI thread never waits for the bus.

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace quellsy::ui {

class DisplaySleepGuard : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kWhat = "idle";
  static constexpr const char* kMode = "block";

  // Asks logind on bus (the system bus unless a test gives its own) at once.
  explicit DisplaySleepGuard(const QDBusConnection& bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
  ~DisplaySleepGuard() override;

  // logind's lock is held now.
  bool isHeld() const { return lock_.isValid(); }
  // Gives the lock back (or drops it when it arrives later); harmless when none is held.
  void release();

  // Why nobody holds off the display's sleep ("Quellsy is running").
  static QString Reason();

 signals:
  // The answer came: held or not.
  void answered(bool held);

 private:
  QDBusUnixFileDescriptor lock_;
  bool released_ = false;
};

}  // namespace quellsy::ui
