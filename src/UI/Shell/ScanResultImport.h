#pragma once
// Opening a saved scan result in a results window, as the main window's Import does (after its open panel) and as
// the program does with a scan-result file named at start-up. The restore runs under the progress window; on
// success the results window shows the restored trees, on failure the progress window has said so and the
// prepared results window is gone, so the main window stays as it was and can import or scan again.
//
//   const QString file = ChooseScanResultFile(mainWindow, looksAtTheLastSavedFile);
//   if (!file.isEmpty())
//     if (IResultsWindow* results = OpenScanResultFile(mainWindow, file.toStdString())) ...  // shown

#include <QString>
#include <string>

#include "UI/Kit/DestinationCheck.h"

class QWidget;

namespace quellsy::ui {

class IResultsWindow;
class KDRootWindowController;

// The extension of scan-result files.
inline constexpr const char* kScanResultExtension = "Vortrane";

// The folder of a saved scan-result file, from its path alone. The save and open panels start in the last one's
// while it still is a folder (asked off the GUI thread).
QString ScanResultFolderOf(const QString& saved);

// The scan-result file the user picks from the panel; it starts in the folder of the last file saved with that
// file chosen, as found by the look at the last file (DestinationCheck). Empty when cancelled.
QString ChooseScanResultFile(QWidget* parent, const DestinationLooks& lastSaved);

// Restores path into a new results window whose lower edge lies 50 points below mainWindow's (its own size), and
// shows it; null when the restore failed or could not start (the failure alert shown), or no results window can
// be made.
IResultsWindow* OpenScanResultFile(QWidget* mainWindow, const std::string& path);

// The looks of root's Import at the last saved file, made at first use; tests give it their own probe.
DestinationCheck* ImportCheck(KDRootWindowController& root);
// The main window's Import: the last saved file looked at, the open panel, then the file opened; on success the
// main window hands over to the results window and goes. A second Import while the look is under way is ignored.
void ImportScanResult(KDRootWindowController& root);
// The same without the panel, for the file named at start-up.
void OpenScanResult(KDRootWindowController& root, const std::string& path);

}  // namespace quellsy::ui
