// quellsy: the windowed application. It needs a display (X11 or Wayland) that answers; without one it says so
// and points at the engine harness instead. Started by a plain user without the launcher's first argument, it hands over to
// the launcher, which starts it again as root with the language and, when asked to open one, a scan-result file.
// Root runs whatever it was given, so the two never start each other in a loop.

#include <QApplication>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Bridge/KDCPPPublic.h"
#include "Engines/BuiltInEngines.h"
#include "Platform/DisplaySockets.h"
#include "Platform/HeapArenas.h"
#include "Platform/LauncherHandOver.h"
#include "UI/App/ApplicationSession.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Shell/StartupArguments.h"
#include "Utility/CatchExeception.h"

namespace {

std::string Environment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

// Empty when a display answers (or a platform was chosen by hand); otherwise why none does, in one line.
std::string WhyNoDisplay() {
  if (!Environment("QT_QPA_PLATFORM").empty()) return {};
  const std::string x = Environment("DISPLAY");
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  if (x.empty() && wayland.empty()) return "no display (DISPLAY and WAYLAND_DISPLAY are unset)";
  if (!x.empty() && quellsy::platform::XDisplayReachable(x)) return {};
  if (!wayland.empty() && quellsy::platform::WaylandDisplayReachable(wayland, Environment("XDG_RUNTIME_DIR")))
    return {};
  return "no display answers (DISPLAY=" + x + ", WAYLAND_DISPLAY=" + wayland + ")";
}

}  // namespace

int main(int argc, char* argv[]) {
  quellsy::platform::LimitHeapArenas();
  if (const std::string why = WhyNoDisplay(); !why.empty()) {
    std::fprintf(stderr,
                 "quellsy: %s; start it in a desktop session, or scan an image with the engine harness: "
                 "./quellsy.sh cli quick IMAGE\n",
                 why.c_str());
    return 1;
  }
  if (quellsy::platform::ShouldStartLauncher(argc, argv, geteuid())) {
    if (quellsy::platform::StartLauncher()) return 0;
    std::fprintf(stderr, "quellsy: the launcher %s could not be started; start quellsy as root instead\n",
                 quellsy::platform::InstalledLauncher());
    return 1;
  }
  CatchExeception::WriteLog("fxr path para[0] = %s, para[1] = %s\r\n", argv[0], argc > 1 ? argv[1] : "(null)");
  // The language is stored before any text is read.
  quellsy::ui::StoreStartupArguments(quellsy::ui::ReadStartupArguments(argc, argv));

  // One windowed program per user: a second start ends at its main window, which sees the first one's lock.
  if (!KDCPPPublic::instance()->ClaimSingleInstance())
    std::fputs("quellsy: already running for this user; this start ends\n", stderr);

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellsy"));
  RegisterBuiltInEngines();
  quellsy::ui::BridgeBackend backend;
  quellsy::ui::ApplicationSession session(backend);
  session.Launch();
  return QApplication::exec();
}
