#pragma once
// The screenshot gallery: every control and window in its representative states on the scripted backend, and the
// windows on the real bridge over disk images made at draw time, one PNG per state with an index page. A state
// that draws nothing (one colour only) fails the run, and so does any image name asked for that has no drawing.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace quellsy::ui {
class ScriptedBackend;
}

namespace quellsy::gallery {

// One state: a widget built and put into that state, drawn on a plain stage.
struct GalleryState {
  QString name;         // the PNG's name, without ".png"
  QString description;  // what the state shows, for the index page
  std::function<std::unique_ptr<QWidget>()> build;
};

class Gallery {
 public:
  void Add(GalleryState state) { states_.push_back(std::move(state)); }
  // Draws every state into folder (made when missing) with index.html; the problems found, empty when none.
  QStringList WriteAll(const QString& folder) const;
  std::size_t Size() const { return states_.size(); }

 private:
  std::vector<GalleryState> states_;
};

// The windows drawn where they lie on the screen, over the stage colour, as one picture (a window with its
// sheet or pop-over).
std::unique_ptr<QWidget> Composite(const std::vector<QWidget*>& windows);

// The kit's controls; the shell's windows. The scripted backend is the one the shell's services installed.
void AddKitStates(Gallery& gallery, ui::ScriptedBackend& backend);
void AddShellStates(Gallery& gallery, ui::ScriptedBackend& backend);
// The update window's views and the About window.
void AddUpdateAboutStates(Gallery& gallery);
// The window kit's windows: the custom window, sheets, alerts and the pop-over.
void AddWindowKitStates(Gallery& gallery, ui::ScriptedBackend& backend);
// The main window's pages with many devices and with none, and the cannot-open notice.
void AddRootWindowStates(Gallery& gallery, ui::ScriptedBackend& backend);
// The thumbnail grid, the cover flow and the preview.
void AddGridStates(Gallery& gallery, ui::ScriptedBackend& backend);
// The results window: waiting, scanning, paused, asked to stop, stopped, finished with the hint, deep scanning.
void AddResultsStates(Gallery& gallery, ui::ScriptedBackend& backend);
// Saving and opening scan results: the progress window and the alerts of the export and the import.
void AddScanResultStates(Gallery& gallery);
// The recovery's progress window in its panes and its end windows.
void AddRecoveryStates(Gallery& gallery);
// The windows on the real bridge over disk images made at draw time: the device page, a quick scan held part
// of the way and its results, a search, a recovery checked byte for byte. What goes wrong is added to problems
// while the states are drawn.
void AddRealImageStates(Gallery& gallery, ui::ScriptedBackend& scripted, QStringList& problems);

}  // namespace quellsy::gallery
