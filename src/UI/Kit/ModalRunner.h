#pragma once
// Modal runs of windows. An application-modal run shows a window that takes all input until the run ends; a
// sheet run hangs a window below another window's title bar and takes that window's input only. Runs form a
// stack: stopModal() ends the innermost run that is still going, endRun() ends a given window's run wherever
// it is, so one window (or a notification handler inside a run) can end another's run and start the next.
//
// A run never waits on anything but Qt's event loop: runModalForWindow() returns when the run ends, with the
// other windows drawing and timers, notifications and queued calls arriving meanwhile (a nested event loop);
// the begin... calls return at once and report the end to a completion. Ending a run hides its window and
// gives the activation back to the window that had it.
//
//   ModalRunner::beginSheet(alert, window, [this](int code) { ... });   // on the asking window
//   const int code = ModalRunner::runModalForWindow(progressWindow);     // application-modal
//   ModalRunner::stopModal();                                           // from inside the run

#include <QPointer>
#include <QWidget>
#include <functional>

namespace quellsy::ui {

class TCImageWindow;

// The codes of runs ended without a code of their own.
inline constexpr int kModalResponseStop = -1000;
inline constexpr int kModalResponseAbort = -1001;

class ModalRunner {
 public:
  ModalRunner() = delete;

  using Completion = std::function<void(int code)>;

  // Shows window application-modal and returns the code its run is ended with (window gone: abort).
  static int runModalForWindow(QWidget* window);
  // The same, returning at once; done(code) when the run ends.
  static void beginModalForWindow(QWidget* window, Completion done);
  // Makes sheet a window of parent, hung centred below parent's bar (and kept there as parent moves or
  // resizes), modal to parent alone; done(code) when the run ends. While parent has a sheet running, a new one
  // waits and is shown when that one ends.
  static void beginSheet(QWidget* sheet, TCImageWindow* parent, Completion done);

  // Ends the innermost run still going with code; nothing when none runs.
  static void stopModal(int code = kModalResponseStop);
  // Ends window's run (a running or a waiting sheet); false when window has none.
  static bool endRun(QWidget* window, int code);

  // The window of the innermost run still going; none when nothing runs.
  static QWidget* modalWindow();
  static bool isRunning(const QWidget* window);
  // Runs going (waiting sheets not counted).
  static int depth();
  // The sheet running on parent; none when it has none.
  static QWidget* attachedSheet(const QWidget* parent);

  // Called with each run's window once it is shown, inside the run: tests and scripts answer windows with it.
  static void setRunObserver(std::function<void(QWidget* window)> observer);
  // Forgets every run, waiting sheet and the observer (tests; no run may be waiting in runModalForWindow).
  static void ResetForTests();
};

}  // namespace quellsy::ui
