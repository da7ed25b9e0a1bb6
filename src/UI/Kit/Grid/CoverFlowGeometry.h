#pragma once
// Where the covers of the cover flow stand: the selected one faces the viewer in the middle, the others stand
// turned towards it on both sides, closer together the further out they are. Pure functions of the view's
// size and the flow's position (the selected index, fractional while it moves).

#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <cstdint>

#include "UI/Kit/Grid/CNGridGeometry.h"

namespace quellsy::ui {

struct CoverPlacement {
  QTransform transform;  // maps the cover's square (0,0)-(side,side) into the view
  double side = 0;       // the cover's square side before the transform
  double depth = 0;      // distance from the middle, in covers (0 for the selected one)
  QPolygonF Outline() const;
};

class CoverFlowGeometry {
 public:
  // Covers further than this from the middle are not drawn.
  static constexpr int kSideCovers = 6;
  static constexpr double kSideAngle = 60.0;

  CoverFlowGeometry(QSizeF viewSize, double position) : view_(viewSize), position_(position) {}

  double CoverSide() const;
  // The horizon the covers stand on (their feet), the reflections below it.
  double FloorY() const;
  CoverPlacement PlacementOf(std::int64_t index) const;
  // The covers to draw, as [first, last] clamped to count; back to front is the caller's order.
  CNItemRange DrawnRange(std::int64_t count) const;
  // The cover under a point, nearest first; kCNNotFound when none.
  std::int64_t IndexAt(QPointF point, std::int64_t count) const;

  // The covers a loader fetches around the selection: all of them below 11, else 100 on each side.
  static CNItemRange LoadRangeAround(std::int64_t count, std::int64_t selected);

 private:
  QSizeF view_;
  double position_;
};

}  // namespace quellsy::ui
