#pragma once
// How the root window hands a scan or an import to the results window. The results window lives in a layer
// above the shell, so the program installs the factory that makes it; the root window only sees this face.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class DiskVolumeNodeData;

namespace quellsy::ui {

class IResultsWindow {
 public:
  virtual ~IResultsWindow() = default;

  // The scan to run: the chosen device or volume, 1 quick or 2 complete, and whether the nameless Desktop
  // entry was chosen.
  virtual void setSelectDiskVolumeData(std::shared_ptr<DiskVolumeNodeData> data) = 0;
  virtual void setScanTypeNum(int type) = 0;
  virtual void setSelectDesktop(int desktop) = 0;
  // Starts the scan handed over (the root window calls it 0.3 s after showing the window).
  virtual void getData() = 0;

  // Prepares the window for the scan-result file being restored; clearImportData drops that again when the
  // restore fails.
  virtual void getImportData(const std::string& path) = 0;
  virtual void clearImportData() = 0;

  // The top-level window, to place, show and close; it deletes itself (and this object) when closed.
  virtual QWidget* window() = 0;
};

using ResultsWindowFactory = std::function<IResultsWindow*()>;

// Installed once by the program (and by tests and the gallery); empty clears it.
void SetResultsWindowFactory(ResultsWindowFactory factory);
// A new results window, or null when no factory is installed. The window owns itself.
IResultsWindow* MakeResultsWindow();

}  // namespace quellsy::ui
