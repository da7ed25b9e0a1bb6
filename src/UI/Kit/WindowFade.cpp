#include "UI/Kit/WindowFade.h"

#include <QCloseEvent>
#include <QVariantAnimation>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"

namespace quellsy::ui {

WindowFade::WindowFade(QWidget* window, int milliseconds)
    : QObject(window), window_(window), animation_(new QVariantAnimation(this)), milliseconds_(milliseconds) {
  connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { SetOpacity(value.toDouble()); });
  connect(animation_, &QVariantAnimation::finished, this, &WindowFade::AnimationEnded);
  window->installEventFilter(this);
  // The close button ends the run and closes at once.
  if (auto* custom = qobject_cast<TCImageWindow*>(window)) {
    for (TCWindowButton* button : {custom->closeButton(), custom->standardWindowButton(WindowButtonKind::kClose)}) {
      if (!button) continue;
      button->disconnect(custom);
      connect(button, &TCWindowButton::clicked, this, &WindowFade::closeNow);
    }
  }
}

void WindowFade::SetOpacity(double opacity) {
  opacity_ = opacity;
  if (window_) window_->setWindowOpacity(opacity);
}

void WindowFade::FadeTo(double target, Phase phase) {
  phase_ = phase;
  animation_->stop();
  // From where the last fade left the window, in the time the rest of the way takes.
  const double way = std::abs(target - opacity_);
  animation_->setStartValue(opacity_);
  animation_->setEndValue(target);
  animation_->setDuration(std::max(1, static_cast<int>(std::lround(milliseconds_ * way))));
  animation_->start();
}

void WindowFade::fadeOut() {
  if (phase_ == Phase::kFadingOut || phase_ == Phase::kClosed) return;
  FadeTo(0.0, Phase::kFadingOut);
}

void WindowFade::closeNow() {
  if (!window_ || phase_ == Phase::kClosed) return;
  animation_->stop();
  phase_ = Phase::kClosed;
  ModalRunner::endRun(window_, kModalResponseStop);
  closingNow_ = true;
  window_->close();
  closingNow_ = false;
}

void WindowFade::AnimationEnded() {
  if (phase_ == Phase::kFadingIn) {
    phase_ = Phase::kShown;
    return;
  }
  if (phase_ != Phase::kFadingOut || !window_) return;
  closeNow();
  if (fadedOut_) fadedOut_();
}

bool WindowFade::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  if (event->type() == QEvent::Show && (phase_ == Phase::kNone || phase_ == Phase::kClosed)) {
    // First shown, or shown again after closing.
    SetOpacity(0.0);
    FadeTo(1.0, Phase::kFadingIn);
  } else if (event->type() == QEvent::Close && !closingNow_) {
    event->ignore();
    fadeOut();
    return true;
  }
  return false;
}

}  // namespace quellsy::ui
