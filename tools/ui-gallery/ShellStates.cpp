// The shell's windows in their states.

#include "Gallery.h"
#include "UI/Shell/RootWindow.h"

namespace quellsy::gallery {

void AddShellStates(Gallery& gallery, ui::ScriptedBackend&) {
  gallery.Add({QStringLiteral("rootwindow"), QStringLiteral("The main window as the program opens it"),
               [] { return std::unique_ptr<QWidget>(std::make_unique<ui::RootWindow>()); }});
}

}  // namespace quellsy::gallery
