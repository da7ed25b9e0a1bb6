#pragma once
// Where the parts of a custom window go, as pure functions of its measures: the title-bar container along the
// top edge, the close, minimise and zoom buttons in a row or a column, the full-screen button at the right, the
// content below the bar and the place a sheet hangs from. Frames are {x, y, width, height} in the window with
// the origin at its bottom left (ViewFrames.h turns them into Qt geometry).

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <array>

namespace quellsy::ui {

// The container: the full width of the window, titleBarHeight high, at its top.
QRectF TitleBarContainerFrame(const QRectF& windowBounds, double titleBarHeight);

struct TrafficLightRules {
  double leftMargin = 0;      // x of the close button (and of the whole column)
  double topMargin = 3.0;     // gap below the bar's top when the buttons hang rather than sit centred
  double separation = 0;      // gap between neighbours (the column's gap is 2 less)
  double moveUp = 0;          // added to y in the row only
  bool centered = true;       // centred on the bar, else hung from its top
  bool vertical = false;      // a column with close at the top, else a row from the left
};

// The close, minimise and zoom frames, in that order, laid out in container from their current frames (only
// their sizes count).
std::array<QRectF, 3> TrafficLightFrames(const QRectF& container, const std::array<QRectF, 3>& current,
                                         const TrafficLightRules& rules);

// The full-screen button at rightMargin from the bar's right edge, centred or hung by topMargin.
QRectF FullScreenButtonFrame(const QRectF& container, const QRectF& current, double rightMargin, bool centered,
                             double topMargin);

// The content view's frame: its origin and width kept, as high as the window below the bar.
QRectF ContentFrameBelowTitleBar(const QRectF& windowBounds, const QRectF& content, double titleBarHeight);

// A sheet's proposed frame moved so that its top meets the bar's lower edge.
QRectF SheetFrameUnderTitleBar(const QRectF& proposed, double windowHeight, double titleBarHeight);

// The outline of a title bar in Qt's top-left coordinates: rect with its two top corners rounded by radius and
// its bottom corners square.
QPainterPath createClippingPathWithRectAndRadius(const QRectF& rect, double radius);

}  // namespace quellsy::ui
