#pragma once
// The geometry of the attached pop-over (MAAttachedWindow) as pure functions: its frame and the frame of the
// view inside for a point, a side and a distance; the side chosen when the caller leaves it to the pop-over;
// and the outline of the box with its arrow. Coordinates here have y growing upwards (screen: y = -Qt's y;
// window: origin at the bottom left), as the rules are stated; MAAttachedWindow converts.

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace quellsy::ui {

// Where the box lies from the point, and where its arrow sits.
enum AttachedSide : int {
  kAttachedLeft = 0,               // arrow centred on the box's right edge
  kAttachedBelow = 1,              // arrow centred on the top edge
  kAttachedRight = 2,              // arrow centred on the left edge
  kAttachedAbove = 3,              // arrow centred on the bottom edge
  kAttachedLeftUpwards = 4,        // left of the point, extending upwards from it
  kAttachedLeftDownwards = 5,      // left, extending downwards
  kAttachedRightUpwards = 6,       // right, extending upwards
  kAttachedRightDownwards = 7,     // right, extending downwards
  kAttachedAboveLeftwards = 8,     // above, extending leftwards
  kAttachedAboveRightwards = 9,    // above, extending rightwards
  kAttachedBelowLeftwards = 10,    // below, extending leftwards
  kAttachedBelowRightwards = 11,   // below, extending rightwards
  kAttachedAutomatic = 12,         // chosen by BestSideForAutomaticPosition when the pop-over is made
};

struct AttachedMeasures {
  QSizeF view;                        // the caller's view
  double viewMargin = 2.0;            // around the view
  double arrowBaseWidth = 0.0;
  double arrowHeight = 0.0;
  double cornerRadius = 8.0;
  bool drawsRoundCornerBesideArrow = true;
  double scale = 1.0;                 // the screen's points per unit
};

// From a corner of the box to the arrow's centre line, for the sides that hang off a corner (4 to 11).
double ArrowInset(const AttachedMeasures& measures);

struct AttachedFrames {
  QRectF frame;      // the window, on the screen
  QRectF viewFrame;  // the view, in the window
};
// The frames for the arrow's tip at point (on the screen) on side at distance from it. Sides outside 0 to 11
// put the window's origin at the point, sized for the view and its margin alone.
AttachedFrames AttachedWindowFrames(const AttachedMeasures& measures, QPointF point, int side, double distance);

// The side for point: below when the box fits there on screen (the visible screen area), else right, left or
// above, in that order of fit, else still below; then moved along the other axis to hang off a corner when a
// centred box would stick out of parent's frame (screen when there is no parent).
int BestSideForAutomaticPosition(const AttachedMeasures& measures, QPointF point, double distance,
                                 const QRectF& screen, const std::optional<QRectF>& parent);

// The box with its rounded corners and (with hasArrow) its arrow, in the window, for the view at viewFrame.
QPainterPath AttachedWindowPath(const AttachedMeasures& measures, const QRectF& viewFrame, int side, bool hasArrow);

}  // namespace quellsy::ui
