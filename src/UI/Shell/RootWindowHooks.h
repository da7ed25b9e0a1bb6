#pragma once
// What the main window's title-bar buttons and the cannot-open notice open that is built elsewhere: the about
// window, the import of a saved scan result and the help pages by their key in the link table. The program
// installs them; a button whose hook is not installed is not shown.

#include <functional>
#include <string>

namespace quellsy::ui {

class KDRootWindowController;
class TCImageWindow;

struct RootWindowHooks {
  // Shows the about window over the main window.
  std::function<void(TCImageWindow& mainWindow)> showAbout;
  // Lets the user choose a saved scan result and opens it in a results window.
  std::function<void(KDRootWindowController& root)> importScanResult;
  // Opens the scan-result file named at start-up in a results window.
  std::function<void(KDRootWindowController& root, const std::string& path)> openScanResult;
  // Opens the help page the link table names under key (for example "APFS_HELP_URL").
  std::function<void(const std::string& key)> openLink;
};

// Installed once by the program (tests and the gallery install their own); {} removes them.
void SetRootWindowHooks(RootWindowHooks hooks);
const RootWindowHooks& GetRootWindowHooks();

}  // namespace quellsy::ui
