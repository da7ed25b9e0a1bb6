#pragma once
// Opening a saved scan result in a results window, as the main window's Import does (after its open panel) and as
// the program does with a scan-result file named at start-up. The restore runs under the progress window; on
// success the results window shows the restored trees, on failure the progress window has said so and the
// prepared results window is gone, so the main window stays as it was and can import or scan again.
//
//   const QString file = ChooseScanResultFile(mainWindow);
//   if (!file.isEmpty())
//     if (IResultsWindow* results = OpenScanResultFile(mainWindow, file.toStdString())) ...  // shown

#include <QString>
#include <string>

class QWidget;

namespace quellsy::ui {

class IResultsWindow;
class KDRootWindowController;

// The extension of scan-result files.
inline constexpr const char* kScanResultExtension = "Vortrane";

// The folder of the scan-result file last saved, when it still is one; empty otherwise. The save and open panels
// start there.
QString LastScanResultFolder();

// The scan-result file the user picks; the panel starts in the folder of the last file saved. Empty when
// cancelled.
QString ChooseScanResultFile(QWidget* parent);

// Restores path into a new results window whose lower edge lies 50 points below mainWindow's (its own size), and
// shows it; null when the restore failed or could not start (the failure alert shown), or no results window can
// be made.
IResultsWindow* OpenScanResultFile(QWidget* mainWindow, const std::string& path);

// The main window's Import: the open panel, then the file opened; on success the main window hands over to the
// results window and goes.
void ImportScanResult(KDRootWindowController& root);
// The same without the panel, for the file named at start-up.
void OpenScanResult(KDRootWindowController& root, const std::string& path);

}  // namespace quellsy::ui
