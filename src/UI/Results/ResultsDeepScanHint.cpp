// The deep-scan hint: after the first two quick scans of an installation a small pop-over hangs below a point
// of the results window, pointing to the deep scan. It closes itself after a while, follows the window while
// open, and closes with its button.

#include <QTimer>
#include <charconv>
#include <string>

#include "UI/Kit/MAAttachedWindow.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Results/KDDeletailWindowController.h"

namespace quellsy::ui {
namespace {

constexpr const char* kShowingsKey = "IsFristTime";

// How often the hint was shown; a missing or damaged count reads 0.
int HintShowings() {
  const std::string stored = PrivateData::GetString(kShowingsKey).value_or(std::string());
  int count = 0;
  const auto [end, error] = std::from_chars(stored.data(), stored.data() + stored.size(), count);
  return error == std::errc() && end == stored.data() + stored.size() && count > 0 ? count : 0;
}

}  // namespace

void KDDeletailWindowController::RunDeepScanHint() {
  const int showings = HintShowings();
  if (showings >= kHintShowings || hintMade_) return;
  hintMade_ = true;
  PrivateData::SetString(kShowingsKey, std::to_string(showings + 1));
  deepScanVC_ = new KDDeepScanViewController;
  deepScanVC_->setDelegate(this);
  showPopoverWithViewController(deepScanVC_);
}

QPointF KDDeletailWindowController::HintPoint() const {
  return QPointF(kHintPoint.x(), aWindow_->height() - kHintPoint.y());
}

void KDDeletailWindowController::showPopoverWithViewController(KDDeepScanViewController* controller) {
  if (!attachedWindow_) {
    attachedWindow_ = MAAttachedWindow::initWithView(controller, HintPoint(), aWindow_, kHintSide, kHintDistance);
    attachedWindow_->setObjectName(QStringLiteral("deepScanHintWindow"));
    attachedWindow_->setAccessibleName(controller->accessibleName());
    attachedWindow_->setViewMargin(6);
    attachedWindow_->setBorderColor(QColor(0xc9, 0xd0, 0xd9));
    attachedWindow_->setBorderWidth(1);
    attachedWindow_->setArrowBaseWidth(kHintArrowBase);
    attachedWindow_->setArrowHeight(kHintArrowHeight);
    attachedWindow_->show();
    isClodePopView_ = false;
  }
  // Each showing (re)starts the hint's own clock.
  if (!hintTimer_) {
    hintTimer_ = new QTimer(this);
    hintTimer_->setSingleShot(true);
    connect(hintTimer_, &QTimer::timeout, this, &KDDeletailWindowController::popupViewHidden);
  }
  hintTimer_->start(timings_.hintShownFor);
}

void KDDeletailWindowController::PlaceHint() {
  if (attachedWindow_) attachedWindow_->setPoint(HintPoint(), kHintSide);
}

void KDDeletailWindowController::popupViewHidden() {
  if (hintTimer_) hintTimer_->stop();
  if (attachedWindow_) {
    attachedWindow_->hide();
    attachedWindow_->deleteLater();
  }
  attachedWindow_ = nullptr;
  isClodePopView_ = true;
}

}  // namespace quellsy::ui
