#pragma once
// How a view follows its parent's size: the autoresizing mask of a frame. When the parent grows or shrinks by
// d along an axis, the flexible parts of that axis (the margin before the view, its size, the margin after it)
// share d in proportion to their sizes when the parent was last laid out (equally while those sizes are all 0);
// fixed parts keep their size.

#include <QRectF>
#include <QSizeF>

namespace quellsy::ui {

enum AutoresizeMask : unsigned {
  kNotSizable = 0,
  kMinXMargin = 1,
  kWidthSizable = 2,
  kMaxXMargin = 4,
  kMinYMargin = 8,
  kHeightSizable = 16,
  kMaxYMargin = 32,
};

// The frame of a view placed at frame in a parent of size from, once the parent has size to. Along y, the
// "min" margin is the one at the frame's origin (the bottom in a bottom-left parent).
QRectF AutoresizedFrame(const QRectF& frame, const QSizeF& from, const QSizeF& to, unsigned mask);

}  // namespace quellsy::ui
