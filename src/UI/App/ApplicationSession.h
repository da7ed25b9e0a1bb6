#pragma once
// The windowed program once its application object exists: the services around the backend, the results window's
// factory, the display-sleep lock, the application delegate with its shutdown and the main window's hooks. The
// program makes one over the real bridge; the journey tests make one the same way, in-process. GUI thread only.

#include <string>

#include "UI/Shell/DisplaySleepGuard.h"
#include "UI/Shell/KDAppDelegate.h"
#include "UI/Shell/ShellServices.h"

namespace quellsy::ui {

class IFacadeBackend;

class ApplicationSession {
 public:
  // language: as ShellServices takes it ("" for the user's own).
  explicit ApplicationSession(IFacadeBackend& backend, const std::string& language = std::string());
  ~ApplicationSession();
  ApplicationSession(const ApplicationSession&) = delete;
  ApplicationSession& operator=(const ApplicationSession&) = delete;

  // What the launch does: the media monitor, the update check when due, then the main window.
  void Launch();

  KDAppDelegate& delegate() { return delegate_; }

 private:
  const ShellServices services_;
  DisplaySleepGuard sleepGuard_;
  KDAppDelegate delegate_;
};

}  // namespace quellsy::ui
