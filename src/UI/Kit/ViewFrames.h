#pragma once
// Geometry given as frames: {x, y, width, height} in the parent's coordinates with the origin at the parent's
// bottom left (or its top left when the parent lays out flipped, as buttons and tables do). Every frame goes
// through here on its way to Qt's top-left widget geometry, and is kept with its autoresizing mask so that the
// view follows its parent's size as the frame says (Autoresize.h).

#include <QRect>
#include <QRectF>

class QWidget;

namespace quellsy::ui {

enum class FrameOrigin { kBottomLeft, kTopLeft };

// A frame in a parent of the given height as a top-left rectangle.
QRectF FrameToTopLeft(const QRectF& frame, qreal parentHeight, FrameOrigin origin = FrameOrigin::kBottomLeft);
// And back.
QRectF TopLeftToFrame(const QRectF& rect, qreal parentHeight, FrameOrigin origin = FrameOrigin::kBottomLeft);
// Whole pixels: each edge rounded, so that neighbours sharing an edge still meet.
QRect PixelRect(const QRectF& rect);

// Places view in its parent at frame and keeps it there, resized by mask, whenever the parent's size changes.
// The frame and the parent's size at this call are what later sizes are worked out from.
void PlaceView(QWidget* view, const QRectF& frame, unsigned mask = 0, FrameOrigin origin = FrameOrigin::kBottomLeft);
// The view's frame as last placed or worked out; its geometry as a frame when it was never placed.
QRectF ViewFrame(const QWidget* view);

}  // namespace quellsy::ui
