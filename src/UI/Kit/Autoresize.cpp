#include "UI/Kit/Autoresize.h"

namespace quellsy::ui {
namespace {

struct Axis {
  qreal before;
  qreal size;
  qreal after;
};

Axis Resize(Axis axis, qreal delta, bool flexBefore, bool flexSize, bool flexAfter) {
  const int flexible = int(flexBefore) + int(flexSize) + int(flexAfter);
  if (flexible == 0 || delta == 0) return axis;
  const qreal total = (flexBefore ? axis.before : 0) + (flexSize ? axis.size : 0) + (flexAfter ? axis.after : 0);
  const auto share = [&](qreal part) { return total > 0 ? delta * part / total : delta / flexible; };
  Axis out = axis;
  if (flexBefore) out.before += share(axis.before);
  if (flexSize) out.size += share(axis.size);
  if (flexAfter) out.after += share(axis.after);
  if (out.size < 0) out.size = 0;
  return out;
}

}  // namespace

QRectF AutoresizedFrame(const QRectF& frame, const QSizeF& from, const QSizeF& to, unsigned mask) {
  const Axis x = Resize({frame.x(), frame.width(), from.width() - frame.right()}, to.width() - from.width(),
                        mask & kMinXMargin, mask & kWidthSizable, mask & kMaxXMargin);
  const Axis y = Resize({frame.y(), frame.height(), from.height() - frame.bottom()}, to.height() - from.height(),
                        mask & kMinYMargin, mask & kHeightSizable, mask & kMaxYMargin);
  return QRectF(x.before, y.before, x.size, y.size);
}

}  // namespace quellsy::ui
