#pragma once
// Where the grid's tiles lie, as pure functions of the visible rectangle and the item count. Every tile takes a
// cell of 150 x 150 points; y grows downwards from the top of the content; the roundings work in single
// precision. The grid view (CNGridView) and its tests share these.

#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <limits>

namespace quellsy::ui {

// No item: the answer of a look-up that finds none.
inline constexpr std::int64_t kCNNotFound = std::numeric_limits<std::int64_t>::max();
inline constexpr double kCNGridCellSize = 150.0;

// A tile's place as column and row, both counted from 1.
struct CNItemPoint {
  std::uint64_t column = 0;
  std::uint64_t row = 0;
  bool operator==(const CNItemPoint&) const = default;
};
inline CNItemPoint CNMakeItemPoint(std::uint64_t column, std::uint64_t row) { return {column, row}; }

struct CNItemRange {
  std::int64_t location = 0;
  std::int64_t length = 0;
  bool operator==(const CNItemRange&) const = default;
  bool Contains(std::int64_t index) const { return index >= location && index < location + length; }
};

class CNGridGeometry {
 public:
  // clipped: the visible part of the content, in content coordinates.
  CNGridGeometry(QRectF clipped, std::int64_t numberOfItems, bool centerAlignment)
      : clipped_(clipped), numberOfItems_(numberOfItems < 0 ? 0 : numberOfItems), center_(centerAlignment) {}

  const QRectF& clippedRect() const { return clipped_; }
  std::int64_t numberOfItems() const { return numberOfItems_; }

  // floor(width / 150), at least 1.
  std::int64_t columnsInGridView() const;
  // ceil(height / 150).
  std::int64_t visibleRowsInGridView() const;
  // ceil(items / columns).
  std::int64_t allOverRowsInGridView() const;
  // Centred: half the width the columns leave free, rounded down; else 0. Added to x and to y of every cell.
  double contentInset() const;
  double contentHeight() const;
  QRectF rectForItemAtIndex(std::int64_t index) const;
  // The rows at least partly visible and one more; the row above the first visible one once scrolled past
  // the first row.
  CNItemRange visibleItemRange() const;
  // A point in content coordinates; kCNNotFound right of the last column or past the last item.
  std::int64_t indexForItemAtLocation(QPointF point) const;
  // The rubber band's corner: x clamped to the columns, no inset, no bound check.
  std::int64_t boundIndexForItemAtLocation(QPointF point) const;
  CNItemPoint locationForItemAtIndex(std::int64_t index) const;

 private:
  QRectF clipped_;
  std::int64_t numberOfItems_;
  bool center_;
};

}  // namespace quellsy::ui
