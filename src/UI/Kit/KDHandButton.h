#pragma once
// A link-like button: its text in the accent colour, underlined, and the pointing hand while the mouse is over
// it.

#include <QPushButton>

namespace quellsy::ui {

class KDHandButton : public QPushButton {
  Q_OBJECT

 public:
  explicit KDHandButton(QWidget* parent = nullptr);
  explicit KDHandButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

}  // namespace quellsy::ui
