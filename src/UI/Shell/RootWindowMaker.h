#pragma once
// How the application delegate makes the main window: the one place that names the root window's class.

#include <QWidget>
#include <functional>
#include <string>

namespace quellsy::ui {

// Makes the top-level main window, handing it the scan-result file to offer for import ("" for none).
using RootWindowMaker = std::function<QWidget*(const std::string& importPath)>;

// The program's main window.
QWidget* MakeRootWindow(const std::string& importPath);

}  // namespace quellsy::ui
