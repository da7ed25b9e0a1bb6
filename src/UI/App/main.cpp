// quellsy: the windowed application. It needs a display (X11 or Wayland); without one it says so and points
// at the engine harness instead. Started by a plain user without the launcher's first argument, it hands over to
// the launcher, which starts it again as root.

#include <QApplication>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Engines/BuiltInEngines.h"
#include "Platform/LauncherHandOver.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/ShellServices.h"

namespace {

bool HasDisplay() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs("quellsy: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it in a desktop session, or "
               "scan an image with the engine harness: ./quellsy.sh cli quick IMAGE\n",
               stderr);
    return 1;
  }
  if (quellsy::platform::ShouldStartLauncher(argc, argv, geteuid())) {
    if (quellsy::platform::StartLauncher()) return 0;
    std::fprintf(stderr, "quellsy: the launcher %s could not be started; start quellsy as root instead\n",
                 quellsy::platform::InstalledLauncher());
    return 1;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellsy"));
  RegisterBuiltInEngines();
  quellsy::ui::BridgeBackend backend;
  const quellsy::ui::ShellServices services(backend);
  quellsy::ui::KDRootWindowController root;
  // The main window's close button asks the program to end.
  QObject ending;
  quellsy::ui::ObserveNotification(&ending, quellsy::ui::KDRootWindowController::kAppWillTerminate,
                                   [](const quellsy::bridge::Notification&) { QApplication::quit(); });
  root.show();
  return QApplication::exec();
}
