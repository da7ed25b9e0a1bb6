#pragma once
// What the program sets up before its first window, and takes down after the last: the notifications' way to
// the GUI thread, the editing keys' way to the focused control, the settings (user defaults and "PrivateData"),
// the texts in the user's language (also the bridge's translator) and the backend the windows call. Made on the
// GUI thread once the application object exists; the window tests and the gallery make one around the scripted
// backend.

#include <memory>
#include <string>

namespace quellsy::ui {

class GuiThreadPoster;
class IFacadeBackend;
class SettingsStore;

class ShellServices {
 public:
  // language: "" for the user's own (the first of "AppleLanguages", else the environment's).
  explicit ShellServices(IFacadeBackend& backend, const std::string& language = std::string());
  ~ShellServices();
  ShellServices(const ShellServices&) = delete;
  ShellServices& operator=(const ShellServices&) = delete;

  // The language the texts were asked in.
  static std::string ChosenLanguage(const std::string& asked);

 private:
  std::unique_ptr<GuiThreadPoster> poster_;
  std::unique_ptr<SettingsStore> settings_;
};

}  // namespace quellsy::ui
