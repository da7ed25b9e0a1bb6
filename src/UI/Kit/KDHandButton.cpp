#include "UI/Kit/KDHandButton.h"

#include "UI/Kit/Colors.h"
#include "UI/Kit/Fonts.h"

namespace quellsy::ui {

KDHandButton::KDHandButton(QWidget* parent) : KDHandButton(QString(), parent) {}

KDHandButton::KDHandButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setFlat(true);
  setFocusPolicy(Qt::NoFocus);
  QFont font = SystemFont(13);
  font.setUnderline(true);
  setFont(font);
  const QString accent = DeviceRgb(53, 130, 248).name();
  setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; padding: 0; }"
                               "QPushButton:pressed { color: %2; }")
                    .arg(accent, DeviceRgb(31, 98, 204).name()));
}

void KDHandButton::enterEvent(QEnterEvent* event) {
  setCursor(Qt::PointingHandCursor);
  QPushButton::enterEvent(event);
}

void KDHandButton::leaveEvent(QEvent* event) {
  setCursor(Qt::ArrowCursor);
  QPushButton::leaveEvent(event);
}

}  // namespace quellsy::ui
