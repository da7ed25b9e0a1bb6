#include "UI/Kit/EditingShortcuts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QPointer>
#include <QWidget>

namespace quellsy::ui {
namespace {

struct Route {
  int key;
  const char* slot;
};
constexpr Route kRoutes[] = {
    {Qt::Key_X, "cut"}, {Qt::Key_C, "copy"}, {Qt::Key_V, "paste"}, {Qt::Key_Z, "undo"}, {Qt::Key_A, "selectAll"}};

// The focus widget or its nearest parent with a slot of that name taking no arguments.
QObject* Responder(const char* slot) {
  const QByteArray signature = QByteArray(slot) + "()";
  for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
    const int index = widget->metaObject()->indexOfMethod(signature.constData());
    if (index >= 0 && widget->metaObject()->method(index).methodType() == QMetaMethod::Slot) return widget;
    if (widget->isWindow()) break;
  }
  return nullptr;
}

}  // namespace

void EditingShortcuts::Install() {
  static QPointer<EditingShortcuts> installed;
  if (installed || !QCoreApplication::instance()) return;
  installed = new EditingShortcuts(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(installed);
}

std::optional<const char*> EditingShortcuts::ActionFor(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::ControlModifier) {
    for (const Route& route : kRoutes)
      if (event.key() == route.key) return route.slot;
  }
  if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && event.key() == Qt::Key_Z) return "redo";
  return std::nullopt;
}

bool EditingShortcuts::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  if ((!press && event->type() != QEvent::ShortcutOverride) || watched != QApplication::focusWidget()) return false;
  const auto action = ActionFor(*static_cast<QKeyEvent*>(event));
  if (!action) return false;
  QObject* responder = Responder(*action);
  if (!responder) return false;
  if (!press) {
    // Claimed ahead of the application's shortcuts, so that the press itself comes here.
    event->accept();
    return true;
  }
  return QMetaObject::invokeMethod(responder, *action, Qt::DirectConnection);
}

}  // namespace quellsy::ui
