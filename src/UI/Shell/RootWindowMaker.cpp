#include "UI/Shell/RootWindowMaker.h"

#include "UI/Shell/RootWindow.h"

namespace quellsy::ui {

// The placeholder main window has no import to offer yet.
QWidget* MakeRootWindow(const std::string& /*importPath*/) { return new RootWindow; }

}  // namespace quellsy::ui
