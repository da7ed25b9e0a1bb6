#include "UI/Kit/ModalRunner.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

#include "UI/Kit/TCImageWindow.h"

namespace quellsy::ui {
namespace {

struct Run {
  QPointer<QWidget> window;
  // Of a sheet; held as a plain widget: while the parent is being destroyed it is no longer a TCImageWindow, and
  // the runs still look at it then (a sheet waiting on it ends).
  QPointer<QWidget> parent;
  ModalRunner::Completion done;
  QEventLoop* loop = nullptr;  // of a run that is waited for
  QPointer<QWidget> previouslyActive;
  QPointer<QObject> placer;  // keeps a sheet in place
  int code = kModalResponseAbort;
  bool ended = false;
};

// Keeps a running sheet hung below its parent's bar while the parent or the sheet moves or changes size.
class SheetPlacer final : public QObject {
 public:
  SheetPlacer(QWidget* sheet, QWidget* parent) : QObject(sheet), sheet_(sheet), parent_(parent) {
    parent->installEventFilter(this);
    sheet->installEventFilter(this);
  }
  ~SheetPlacer() override {
    if (parent_) parent_->removeEventFilter(this);
  }
  void Place() {
    if (auto* window = qobject_cast<TCImageWindow*>(parent_.data()); window && sheet_)
      sheet_->move(window->sheetTopLeft(sheet_->size()));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool parentMoved = watched == parent_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize);
    const bool sheetResized = watched == sheet_ && event->type() == QEvent::Resize;
    if (parentMoved || sheetResized) Place();
    return false;
  }

 private:
  QPointer<QWidget> sheet_;
  // Held as a plain widget: while the parent is being destroyed it is no longer a TCImageWindow.
  QPointer<QWidget> parent_;
};

struct State {
  std::vector<std::shared_ptr<Run>> stack;    // runs going, the innermost last
  std::deque<std::shared_ptr<Run>> waiting;   // sheets waiting for their parent's running sheet to end
  std::function<void(QWidget*)> observer;
};

State& TheState() {
  static State state;
  return state;
}

std::shared_ptr<Run> FindRunning(const QWidget* window) {
  for (const auto& run : TheState().stack)
    if (run->window == window) return run;
  return nullptr;
}

bool HasRunningSheet(const QWidget* parent) {
  return std::any_of(TheState().stack.begin(), TheState().stack.end(),
                     [parent](const auto& run) { return run->parent && run->parent == parent; });
}

void Observe(const std::shared_ptr<Run>& run) {
  // Queued, so that the observer acts inside the run, after the window is on screen.
  QTimer::singleShot(0, QCoreApplication::instance(), [weak = std::weak_ptr<Run>(run)] {
    const auto alive = weak.lock();
    if (alive && !alive->ended && alive->window && TheState().observer) TheState().observer(alive->window);
  });
}

void StartSheet(const std::shared_ptr<Run>& run);

// By value: the caller's reference may be the stack's own entry, which this changes.
void Finish(std::shared_ptr<Run> run, int code) {
  if (run->ended) return;
  run->ended = true;
  run->code = code;
  State& state = TheState();
  std::erase(state.stack, run);
  std::erase(state.waiting, run);
  if (run->window) {
    run->window->hide();
    run->window->setWindowModality(Qt::NonModal);
    delete run->placer.data();
  }
  if (run->previouslyActive && run->previouslyActive->isVisible()) run->previouslyActive->activateWindow();
  if (run->loop) run->loop->exit(code);
  if (run->parent) {
    // The next sheet waiting on the same window comes down now.
    const auto next = std::find_if(state.waiting.begin(), state.waiting.end(),
                                   [parent = run->parent](const auto& waiting) { return waiting->parent == parent; });
    if (next != state.waiting.end()) {
      const auto sheet = *next;
      state.waiting.erase(next);
      StartSheet(sheet);
    }
  }
  if (run->done) run->done(code);
}

// Ends the run when its window is destroyed under it.
void WatchWindow(const std::shared_ptr<Run>& run) {
  QObject::connect(run->window, &QObject::destroyed, QCoreApplication::instance(),
                   [weak = std::weak_ptr<Run>(run)] {
                     if (const auto alive = weak.lock()) Finish(alive, kModalResponseAbort);
                   });
}

void StartApplicationModal(const std::shared_ptr<Run>& run) {
  run->previouslyActive = QApplication::activeWindow();
  TheState().stack.push_back(run);
  QWidget* window = run->window;
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  window->raise();
  window->activateWindow();
  Observe(run);
}

void StartSheet(const std::shared_ptr<Run>& run) {
  if (!run->window || !run->parent) {
    Finish(run, kModalResponseAbort);
    return;
  }
  run->previouslyActive = run->parent.data();
  TheState().stack.push_back(run);
  QWidget* sheet = run->window;
  auto* placer = new SheetPlacer(sheet, run->parent);
  run->placer = placer;
  sheet->setWindowModality(Qt::WindowModal);
  placer->Place();
  sheet->show();
  placer->Place();
  sheet->raise();
  sheet->activateWindow();
  Observe(run);
}

}  // namespace

int ModalRunner::runModalForWindow(QWidget* window) {
  if (!window) return kModalResponseAbort;
  auto run = std::make_shared<Run>();
  run->window = window;
  QEventLoop loop;
  run->loop = &loop;
  WatchWindow(run);
  StartApplicationModal(run);
  if (!run->ended) loop.exec(QEventLoop::DialogExec);
  run->loop = nullptr;
  return run->code;
}

void ModalRunner::beginModalForWindow(QWidget* window, Completion done) {
  auto run = std::make_shared<Run>();
  run->window = window;
  run->done = std::move(done);
  if (!window) return Finish(run, kModalResponseAbort);
  WatchWindow(run);
  StartApplicationModal(run);
}

void ModalRunner::beginSheet(QWidget* sheet, TCImageWindow* parent, Completion done) {
  auto run = std::make_shared<Run>();
  run->window = sheet;
  run->parent = parent;
  run->done = std::move(done);
  if (!sheet || !parent) return Finish(run, kModalResponseAbort);
  if (sheet->parentWidget() != parent) sheet->setParent(parent, sheet->windowFlags() | Qt::Window);
  WatchWindow(run);
  if (HasRunningSheet(parent)) {
    TheState().waiting.push_back(run);
    return;
  }
  StartSheet(run);
}

void ModalRunner::stopModal(int code) {
  State& state = TheState();
  if (!state.stack.empty()) Finish(state.stack.back(), code);
}

bool ModalRunner::endRun(QWidget* window, int code) {
  if (const auto run = FindRunning(window)) {
    Finish(run, code);
    return true;
  }
  State& state = TheState();
  const auto waiting = std::find_if(state.waiting.begin(), state.waiting.end(),
                                    [window](const auto& run) { return run->window == window; });
  if (waiting == state.waiting.end()) return false;
  Finish(*waiting, code);
  return true;
}

QWidget* ModalRunner::modalWindow() {
  const State& state = TheState();
  return state.stack.empty() ? nullptr : state.stack.back()->window.data();
}

bool ModalRunner::isRunning(const QWidget* window) { return FindRunning(window) != nullptr; }

int ModalRunner::depth() { return static_cast<int>(TheState().stack.size()); }

QWidget* ModalRunner::attachedSheet(const QWidget* parent) {
  for (const auto& run : TheState().stack)
    if (run->parent && run->parent == parent) return run->window;
  return nullptr;
}

void ModalRunner::setRunObserver(std::function<void(QWidget*)> observer) { TheState().observer = std::move(observer); }

void ModalRunner::ResetForTests() {
  State& state = TheState();
  state.stack.clear();
  state.waiting.clear();
  state.observer = nullptr;
}

}  // namespace quellsy::ui
