#pragma once
// The strip along the top of a custom window that holds its title-bar view. A press in it (anywhere the bar's
// own controls do not take the press) moves the window: the window manager is asked to move it
// (QWindow::startSystemMove); where none takes the move (no window manager, the offscreen platform), the
// container follows the drag itself. Drags end here and go no further.

#include <QPoint>
#include <QWidget>

namespace quellsy::ui {

class JBTitlebarContainer : public QWidget {
  Q_OBJECT

 public:
  explicit JBTitlebarContainer(QWidget* parent = nullptr);

  // How the last press moved the window: by the window manager, or by following the pointer here.
  enum class MoveKind { kNone, kSystem, kFollowed };
  MoveKind lastMoveKind() const { return lastMoveKind_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  MoveKind lastMoveKind_ = MoveKind::kNone;
  bool following_ = false;
  QPoint pressGlobal_;
  QPoint startPosition_;
};

}  // namespace quellsy::ui
