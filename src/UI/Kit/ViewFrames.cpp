#include "UI/Kit/ViewFrames.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>
#include <cmath>

#include "UI/Kit/Autoresize.h"

namespace quellsy::ui {
namespace {

constexpr const char* kFrame = "quellsyFrame";
constexpr const char* kBase = "quellsyFrameParentSize";
constexpr const char* kMask = "quellsyFrameMask";
constexpr const char* kOrigin = "quellsyFrameOrigin";
constexpr const char* kWatched = "quellsyFramesWatched";

bool IsPlaced(const QWidget* view) { return view->property(kFrame).isValid(); }

QRectF CurrentFrame(const QWidget* view, const QSizeF& parentSize) {
  return AutoresizedFrame(view->property(kFrame).toRectF(), view->property(kBase).toSizeF(), parentSize,
                          view->property(kMask).toUInt());
}

FrameOrigin OriginOf(const QWidget* view) { return static_cast<FrameOrigin>(view->property(kOrigin).toInt()); }

void Apply(QWidget* view, const QSizeF& parentSize) {
  view->setGeometry(PixelRect(FrameToTopLeft(CurrentFrame(view, parentSize), parentSize.height(), OriginOf(view))));
}

// Lays the placed children of one parent out again whenever the parent's size changes.
class PlacedChildrenWatcher final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) {
      auto* parent = static_cast<QWidget*>(watched);
      const QSizeF size = parent->size();
      for (QObject* child : parent->children()) {
        auto* view = qobject_cast<QWidget*>(child);
        if (view && IsPlaced(view)) Apply(view, size);
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

QRectF FrameToTopLeft(const QRectF& frame, qreal parentHeight, FrameOrigin origin) {
  if (origin == FrameOrigin::kTopLeft) return frame;
  return QRectF(frame.x(), parentHeight - frame.y() - frame.height(), frame.width(), frame.height());
}

QRectF TopLeftToFrame(const QRectF& rect, qreal parentHeight, FrameOrigin origin) {
  // The flip is its own inverse.
  return FrameToTopLeft(rect, parentHeight, origin);
}

QRect PixelRect(const QRectF& rect) {
  const int left = static_cast<int>(std::lround(rect.left()));
  const int top = static_cast<int>(std::lround(rect.top()));
  const int right = static_cast<int>(std::lround(rect.right()));
  const int bottom = static_cast<int>(std::lround(rect.bottom()));
  return QRect(left, top, right - left, bottom - top);
}

void PlaceView(QWidget* view, const QRectF& frame, unsigned mask, FrameOrigin origin) {
  QWidget* parent = view->parentWidget();
  const QSizeF parentSize = parent ? QSizeF(parent->size()) : QSizeF(frame.right(), frame.bottom());
  view->setProperty(kFrame, frame);
  view->setProperty(kBase, parentSize);
  view->setProperty(kMask, mask);
  view->setProperty(kOrigin, static_cast<int>(origin));
  if (parent && !parent->property(kWatched).toBool()) {
    parent->setProperty(kWatched, true);
    parent->installEventFilter(new PlacedChildrenWatcher(parent));
  }
  Apply(view, parentSize);
}

QRectF ViewFrame(const QWidget* view) {
  const QWidget* parent = view->parentWidget();
  const QRect geometry = view->geometry();
  const QSizeF parentSize = parent ? QSizeF(parent->size()) : QSizeF(geometry.x() + geometry.width(), geometry.y() + geometry.height());
  if (!IsPlaced(view)) return TopLeftToFrame(QRectF(view->geometry()), parentSize.height());
  return CurrentFrame(view, parentSize);
}

}  // namespace quellsy::ui
