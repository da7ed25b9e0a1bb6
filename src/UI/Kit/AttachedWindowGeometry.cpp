#include "UI/Kit/AttachedWindowGeometry.h"

#include <cmath>

namespace quellsy::ui {
namespace {

bool IsOneOf(int side, int a, int b, int c) { return side == a || side == b || side == c; }
bool ArrowOnRight(int side) { return IsOneOf(side, 0, 4, 5); }
bool ArrowOnTop(int side) { return IsOneOf(side, 1, 10, 11); }
bool ArrowOnLeft(int side) { return IsOneOf(side, 2, 6, 7); }
bool ArrowOnBottom(int side) { return IsOneOf(side, 3, 8, 9); }

// Halves in single precision, as the frames' sizes are kept.
double Half(double length) { return static_cast<float>(length / 2.0); }

// Appends the arrow at the path's current point, along the edge the side names.
void AppendArrow(QPainterPath& path, int side, double a, double h, bool hasArrow) {
  if (!hasArrow) return;
  const QPointF c = path.currentPosition();
  if (ArrowOnRight(side)) {
    path.lineTo(c.x() + h, c.y() - a / 2);
    path.lineTo(c.x(), c.y() - a);
  } else if (ArrowOnTop(side)) {
    path.lineTo(c.x() + a / 2, c.y() + h);
    path.lineTo(c.x() + a, c.y());
  } else if (ArrowOnLeft(side)) {
    path.lineTo(c.x() - h, c.y() + a / 2);
    path.lineTo(c.x(), c.y() + a);
  } else if (ArrowOnBottom(side)) {
    path.lineTo(c.x() - a / 2, c.y() - h);
    path.lineTo(c.x() - a, c.y());
  }
}

// A quarter circle of radius r from the current point (r before corner) round corner to r past it towards to.
void ArcAroundCorner(QPainterPath& path, QPointF corner, QPointF to, double r) {
  constexpr double kCircle = 0.5522847498;  // a cubic's control distance for a quarter circle
  const QPointF from = path.currentPosition();
  const QPointF toward = to - corner;
  const double length = std::hypot(toward.x(), toward.y());
  const QPointF end = length > 0 ? corner + toward * (r / length) : corner;
  path.cubicTo(from + (corner - from) * kCircle, end + (corner - end) * kCircle, end);
}

}  // namespace

double ArrowInset(const AttachedMeasures& m) {
  return ((m.drawsRoundCornerBesideArrow ? m.cornerRadius : 0.0) + m.arrowBaseWidth / 2.0) * m.scale;
}

AttachedFrames AttachedWindowFrames(const AttachedMeasures& m, QPointF point, int side, double distance) {
  const double margin = m.viewMargin * m.scale;
  const double h = m.arrowHeight * m.scale;
  QRectF view(margin, margin, m.view.width(), m.view.height());
  double width = m.view.width() + 2 * margin;
  double height = m.view.height() + 2 * margin;
  if (ArrowOnRight(side)) width += h;
  if (ArrowOnTop(side)) height += h;
  if (ArrowOnLeft(side)) {
    width += h;
    view.moveLeft(view.x() + h);
  }
  if (ArrowOnBottom(side)) {
    height += h;
    view.moveTop(view.y() + h);
  }
  const double i = ArrowInset(m);
  double x = point.x();
  double y = point.y();
  switch (side) {
    case 0: x -= width; y -= Half(height); break;
    case 1: x -= Half(width); y -= height; break;
    case 2: y -= Half(height); break;
    case 3: x -= Half(width); break;
    case 4: x -= width; y -= i; break;
    case 5: x -= width; y -= height - i; break;
    case 6: y -= i; break;
    case 7: y -= height - i; break;
    case 8: x -= width - i; break;
    case 9: x -= i; break;
    case 10: x -= width - i; y -= height; break;
    case 11: x -= i; y -= height; break;
    default: break;
  }
  if (ArrowOnRight(side)) x -= distance;
  if (ArrowOnTop(side)) y -= distance;
  if (ArrowOnLeft(side)) x += distance;
  if (ArrowOnBottom(side)) y += distance;
  return {QRectF(x, y, width, height), view};
}

int BestSideForAutomaticPosition(const AttachedMeasures& m, QPointF p, double distance, const QRectF& screen,
                                 const std::optional<QRectF>& parent) {
  const double w0 = m.view.width() + 2 * m.viewMargin * m.scale;
  const double h0 = m.view.height() + 2 * m.viewMargin * m.scale;
  const double e = m.arrowHeight * m.scale + distance;
  // y grows upwards: a QRectF's top() is the lower edge here, its bottom() the upper one.
  const double sBottom = screen.top();
  const double sTop = screen.bottom();
  int side = kAttachedBelow;
  if (sBottom > p.y() - h0 - e) {
    if (p.x() + w0 + e < screen.right())
      side = kAttachedRight;
    else if (screen.left() <= p.x() - w0 - e)
      side = kAttachedLeft;
    else if (sTop > p.y() + h0 + e)
      side = kAttachedAbove;
  }
  const QRectF frame = parent.value_or(screen);
  const double i = ArrowInset(m);
  if (side == kAttachedLeft || side == kAttachedRight) {
    if (frame.top() > p.y() - h0 / 2) {
      if (sTop > p.y() + h0 - i) side = side == kAttachedLeft ? kAttachedLeftUpwards : kAttachedRightUpwards;
    } else if (p.y() + h0 / 2 >= frame.bottom()) {
      if (p.y() - h0 + i >= sBottom) side = side == kAttachedLeft ? kAttachedLeftDownwards : kAttachedRightDownwards;
    }
  } else {
    if (frame.left() > p.x() - w0 / 2) {
      if (screen.right() > p.x() + w0 - i) side = side == kAttachedBelow ? kAttachedBelowRightwards : kAttachedAboveRightwards;
    } else if (p.x() + w0 / 2 >= frame.right()) {
      if (p.x() - w0 + i >= screen.left()) side = side == kAttachedBelow ? kAttachedBelowLeftwards : kAttachedAboveLeftwards;
    }
  }
  return side;
}

QPainterPath AttachedWindowPath(const AttachedMeasures& m, const QRectF& viewFrame, int side, bool hasArrow) {
  const double s = m.scale;
  const double r = static_cast<float>(m.cornerRadius * s);
  const double a = static_cast<float>(m.arrowBaseWidth * s);
  const double h = m.arrowHeight * s;
  const double grow = m.viewMargin * s;
  const QRectF c = viewFrame.adjusted(-grow, -grow, grow, grow);
  const double minX = std::ceil(static_cast<float>(c.x() * s + 0.5));
  const double midX = (c.x() + c.width() * 0.5) * s;
  const double maxX = std::floor(static_cast<float>((c.x() + c.width()) * s - 0.5));
  const double minY = std::ceil(static_cast<float>(c.y() * s + 0.5));
  const double midY = (c.y() + c.height() * 0.5) * s;
  const double maxY = std::floor(static_cast<float>((c.y() + c.height()) * s - 0.5));
  const auto rounded = [&](int sideA, int sideB) {
    return r > 0 && (m.drawsRoundCornerBesideArrow || (side != sideA && side != sideB));
  };
  const bool topLeft = rounded(11, 7);
  const bool topRight = rounded(10, 5);
  const bool bottomRight = rounded(8, 4);
  const bool bottomLeft = rounded(9, 6);

  QPainterPath path;
  // Top edge, left to right.
  path.moveTo(topLeft ? minX + r : minX, maxY);
  double end = topRight ? maxX - r : maxX;
  if (side == 11) AppendArrow(path, side, a, h, hasArrow);
  if (side == 1) {
    path.lineTo(midX - a / 2, maxY);
    AppendArrow(path, side, a, h, hasArrow);
  }
  if (side == 10) {
    path.lineTo(end - a, maxY);
    AppendArrow(path, side, a, h, hasArrow);
  }
  path.lineTo(end, maxY);
  if (topRight) ArcAroundCorner(path, QPointF(maxX, maxY), QPointF(maxX, maxY - r), r);
  // Right edge, top to bottom.
  end = bottomRight ? minY + r : minY;
  if (side == 5) AppendArrow(path, side, a, h, hasArrow);
  if (side == 0) {
    path.lineTo(maxX, midY + a / 2);
    AppendArrow(path, side, a, h, hasArrow);
  }
  if (side == 4) {
    path.lineTo(maxX, end + a);
    AppendArrow(path, side, a, h, hasArrow);
  }
  path.lineTo(maxX, end);
  if (bottomRight) ArcAroundCorner(path, QPointF(maxX, minY), QPointF(maxX - r, minY), r);
  // Bottom edge, right to left.
  end = bottomLeft ? minX + r : minX;
  if (side == 8) AppendArrow(path, side, a, h, hasArrow);
  if (side == 3) {
    path.lineTo(midX + a / 2, minY);
    AppendArrow(path, side, a, h, hasArrow);
  }
  if (side == 9) {
    path.lineTo(end + a, minY);
    AppendArrow(path, side, a, h, hasArrow);
  }
  path.lineTo(end, minY);
  if (bottomLeft) ArcAroundCorner(path, QPointF(minX, minY), QPointF(minX, minY + r), r);
  // Left edge, bottom to top.
  end = topLeft ? maxY - r : maxY;
  if (side == 6) AppendArrow(path, side, a, h, hasArrow);
  if (side == 2) {
    path.lineTo(minX, midY - a / 2);
    AppendArrow(path, side, a, h, hasArrow);
  }
  if (side == 7) {
    path.lineTo(minX, end - a);
    AppendArrow(path, side, a, h, hasArrow);
  }
  path.lineTo(minX, end);
  if (topLeft) ArcAroundCorner(path, QPointF(minX, maxY), QPointF(minX + r, maxY), r);
  path.closeSubpath();
  return path;
}

}  // namespace quellsy::ui
