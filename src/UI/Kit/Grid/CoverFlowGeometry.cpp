#include "UI/Kit/Grid/CoverFlowGeometry.h"

#include <algorithm>
#include <cmath>

namespace quellsy::ui {

namespace {

// The four corners of a square, clockwise from the top left (QPolygonF(QRectF) would close it with a fifth).
QPolygonF Corners(double side) {
  QPolygonF corners;
  corners << QPointF(0, 0) << QPointF(side, 0) << QPointF(side, side) << QPointF(0, side);
  return corners;
}

}  // namespace

QPolygonF CoverPlacement::Outline() const { return transform.map(Corners(side)); }

double CoverFlowGeometry::CoverSide() const {
  return std::max(16.0, std::min(view_.height() * 0.55, view_.width() * 0.32));
}

double CoverFlowGeometry::FloorY() const { return view_.height() * 0.12 + CoverSide(); }

CoverPlacement CoverFlowGeometry::PlacementOf(std::int64_t index) const {
  const double side = CoverSide();
  const double d = static_cast<double>(index) - position_;
  const double near = std::clamp(d, -1.0, 1.0);
  // The selected cover stands alone; the side covers pack more tightly beyond the first.
  const double gap = side * 0.75;
  const double step = side * 0.28;
  const double offset = std::abs(d) <= 1.0 ? near * gap : std::copysign(gap + (std::abs(d) - 1.0) * step, d);
  // A cover on the right turns its outer edge away from the viewer.
  const double angle = near * kSideAngle;
  // Side covers stand further back than the selected one.
  const double back = side * 0.9 * std::abs(near);

  // The cover turned about its vertical middle and seen from a distance in front of the view: each corner
  // projected, and the square mapped onto the four projected corners.
  const double radians = angle * M_PI / 180.0;
  const double distance = side * 2.2;
  const auto project = [&](double x, double y) {
    const double depth = distance / (distance + back + x * std::sin(radians));
    return QPointF(view_.width() / 2 + offset + x * std::cos(radians) * depth, FloorY() + y * depth);
  };
  const double half = side / 2;
  QPolygonF corners;
  corners << project(-half, -side) << project(half, -side) << project(half, 0) << project(-half, 0);
  QTransform transform;
  QTransform::quadToQuad(Corners(side), corners, transform);
  return {transform, side, std::abs(d)};
}

CNItemRange CoverFlowGeometry::DrawnRange(std::int64_t count) const {
  if (count <= 0) return {0, 0};
  const auto middle = static_cast<std::int64_t>(std::lround(position_));
  const std::int64_t first = std::clamp<std::int64_t>(middle - kSideCovers, 0, count - 1);
  const std::int64_t last = std::clamp<std::int64_t>(middle + kSideCovers, 0, count - 1);
  return {first, last - first + 1};
}

std::int64_t CoverFlowGeometry::IndexAt(QPointF point, std::int64_t count) const {
  const CNItemRange range = DrawnRange(count);
  std::int64_t best = kCNNotFound;
  double bestDepth = 0;
  for (std::int64_t index = range.location; index < range.location + range.length; ++index) {
    const CoverPlacement placement = PlacementOf(index);
    if (!placement.Outline().containsPoint(point, Qt::OddEvenFill)) continue;
    if (best == kCNNotFound || placement.depth < bestDepth) {
      best = index;
      bestDepth = placement.depth;
    }
  }
  return best;
}

CNItemRange CoverFlowGeometry::LoadRangeAround(std::int64_t count, std::int64_t selected) {
  if (count <= 0) return {0, 0};
  if (count < 11) return {0, count};
  const std::int64_t first = std::max<std::int64_t>(0, selected - 100);
  const std::int64_t end = std::min<std::int64_t>(count, selected + 100);
  return {first, std::max<std::int64_t>(0, end - first)};
}

}  // namespace quellsy::ui
