#pragma once
// The shell's windows that the results window opens: a new main window when the user goes back home, and the
// About window of its title bar.

class QWidget;

namespace quellsy::ui {

// A new main window, told it is not the program's first, shown centred and active; it owns itself. Null when
// another Quellsy runs (the program then ends).
QWidget* ShowRootWindowAgain();
// The About window, run modally (this returns at once).
void ShowAboutWindow();

}  // namespace quellsy::ui
