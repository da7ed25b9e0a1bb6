#pragma once
// The standard editing keys reach the focused control before anything else sees them: Ctrl+X, Ctrl+C,
// Ctrl+V, Ctrl+Z and Ctrl+A (whatever Caps Lock says) call cut(), copy(), paste(), undo() and selectAll(), and
// Ctrl+Shift+Z calls redo(), on the focus widget or the first of its parents that has that slot (line edits,
// text editors, item views). A key no widget takes, or any other combination (Ctrl+Alt+X, Shift+Z), goes on to
// the normal handling: menus and shortcuts still see it.

#include <QObject>
#include <optional>

class QKeyEvent;

namespace quellsy::ui {

class EditingShortcuts : public QObject {
  Q_OBJECT

 public:
  // Routes the keys of the whole application (once; later calls do nothing).
  static void Install();

  // The slot a key press asks for ("copy", "redo", ...); none for keys that are not routed.
  static std::optional<const char*> ActionFor(const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
};

}  // namespace quellsy::ui
