#pragma once
// The main window the program opens. For now it holds the application's mark and title; the file-type and
// device pages come into it next.

#include <QMainWindow>

namespace quellsy::ui {

class RootWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kWidth = 900;
  static constexpr int kHeight = 600;

  explicit RootWindow(QWidget* parent = nullptr);
};

}  // namespace quellsy::ui
