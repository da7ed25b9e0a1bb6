#include "UI/Shell/RootWindowMaker.h"

#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDRootWindowController.h"

namespace quellsy::ui {

QWidget* MakeRootWindow(const std::string& importPath) { return KDRootWindowController::MakeMainWindow(importPath); }

}  // namespace quellsy::ui
