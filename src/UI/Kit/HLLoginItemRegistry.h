#pragma once
// The program among the user's login items: an XDG autostart entry of our own in the user's configuration folder
// ("autostart"), which starts the launcher (it asks for the administrator's password and starts the program).
// Only entries that start that program are added or removed. Runs on the caller's thread and keeps no state.

#include <filesystem>
#include <optional>
#include <string>

namespace quellsy::ui {

class HLLoginItemRegistry {
 public:
  static constexpr const char* kEntryFileName = "org.quellsy.Quellsy.desktop";

  // The invoking user's autostart folder and the installed launcher.
  HLLoginItemRegistry();
  // Another folder and program (tests).
  HLLoginItemRegistry(std::filesystem::path folder, std::string program);

  // Writes our entry (again); nothing happens without a configuration folder.
  void addAppAsLoginItem() const;
  // Removes every entry that starts our program, under whatever name.
  void deleteAppFromLoginItem() const;
  // No launch agents on this system: both do nothing.
  void addAppAsLaunchAgents() const {}
  void deleteAppFromLaunchAgents() const {}

 private:
  std::optional<std::filesystem::path> folder_;
  std::string program_;
};

}  // namespace quellsy::ui
