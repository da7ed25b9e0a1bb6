#pragma once
// The fades of the small modal windows: a window fades in when it is first shown; asking it to close (the
// window manager, Alt+F4, close()) fades it out instead, and when that fade ends the window's modal run is
// ended and the window closes. The end is known from the animation itself, never by reading the opacity back
// (without a compositor the window system reports 1 whatever was set). A close asked for during the fade-in
// turns it round from where it is; one asked for during the fade-out changes nothing. The window's close
// button closes at once, as does closeNow().
//
//   auto* fade = new WindowFade(window);            // at load, before the window is shown
//   fade->setFadedOut([this] { if (shuttingDown_) qApp->quit(); });
//   ModalRunner::runModalForWindow(window);

#include <QObject>
#include <QPointer>
#include <functional>

class QVariantAnimation;
class QWidget;

namespace quellsy::ui {

class WindowFade : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefaultMilliseconds = 250;

  enum class Phase { kNone, kFadingIn, kShown, kFadingOut, kClosed };

  // Fades window (owned by it); milliseconds is each fade's length (tests shorten it).
  explicit WindowFade(QWidget* window, int milliseconds = kDefaultMilliseconds);

  Phase phase() const { return phase_; }
  // The opacity the fade last gave the window.
  double opacity() const { return opacity_; }
  // Starts the fade-out as a close request does.
  void fadeOut();
  // Ends the window's run and closes it now, without a fade.
  void closeNow();
  // Called once the window has closed after a fade-out.
  void setFadedOut(std::function<void()> handler) { fadedOut_ = std::move(handler); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FadeTo(double target, Phase phase);
  void AnimationEnded();
  void SetOpacity(double opacity);

  QPointer<QWidget> window_;
  QVariantAnimation* animation_;
  const int milliseconds_;
  Phase phase_ = Phase::kNone;
  double opacity_ = 1.0;
  bool closingNow_ = false;
  std::function<void()> fadedOut_;
};

}  // namespace quellsy::ui
